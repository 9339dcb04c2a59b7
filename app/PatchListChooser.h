// File choosers for patch-name lists (".tvp").
#pragma once

#include <optional>
#include <string>

class QWidget;

namespace tarvel {

// Window thread. The chosen path in the file system's encoding, or nothing when cancelled.
std::optional<std::string> ChoosePatchListToOpen(QWidget* parent);

// Window thread. Asks before replacing a file; the name is used as typed (".tvp" is not added).
std::optional<std::string> ChoosePatchListToSave(QWidget* parent);

}  // namespace tarvel
