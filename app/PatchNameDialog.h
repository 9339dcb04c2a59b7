// The "Set patch name" dialog. It keeps its own text; the song changes only when the caller
// applies the OK result.
#pragma once

#include <string>

class QWidget;

namespace tarvel {

// Window thread. Shows `name` selected in a box of at most 31 characters. OK: true and `name`
// becomes the typed text (8-bit); Cancel or Escape: false and `name` is untouched.
bool RunPatchNameDialog(QWidget* parent, std::string& name);

}  // namespace tarvel
