// Opening a web page when the desktop's own request fails: the desktop's registered command for
// HTML documents is run with the address in place of its file placeholder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvel {

// Any thread. Cuts `registered` where its placeholder begins ("%1", or a desktop entry's %u,
// %U, %f or %F; a quoted placeholder is cut at its opening quotation mark) and appends a blank
// and `address`. Without a placeholder the whole command is kept. Whatever followed the
// placeholder is dropped.
std::string BrowserCommandLine(std::string_view registered, std::string_view address);

// Any thread. The command line of the "Exec" key in the [Desktop Entry] group of a desktop
// entry file's text, unescaped no further; nothing when there is none.
std::optional<std::string> DesktopEntryExec(std::string_view desktopEntry);

}  // namespace tarvel
