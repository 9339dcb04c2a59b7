// The play watch of the control panel: the time played, as minutes, seconds and milliseconds.
#pragma once

#include <string>

namespace tarvel {

// "mm:ss:mmm", e.g. 61234 -> "01:01:234". Minutes are not wrapped; negative times show as 0.
std::string FormatPlayWatch(int ms);

}  // namespace tarvel
