// The "Pattern properties" dialog: a pattern's name and its number of lines. It keeps its own
// copy of both; the caller applies them to the song on OK (ApplyPatternProperties).
#pragma once

#include <string>

class QWidget;

namespace tarvel {

// Window thread. Shows `name` (selected, with the focus) and `lines` (the line count as
// decimal text). OK: true, and both become the typed texts; the lines box takes digits only.
// Cancel or Escape: false, nothing changes.
bool RunPatternPropertiesDialog(QWidget* parent, std::string& name, std::string& lines);

}  // namespace tarvel
