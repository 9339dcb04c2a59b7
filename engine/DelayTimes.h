// The text of the delay calculator: what one to six pattern lines last at the song's tempo, for
// setting the delay times of effect units by ear-free arithmetic.
#pragma once

#include <string>

namespace tarvel {

// Any thread. The tempo shown is recomputed from the line length, so it may differ from the
// typed one (512 BPM gives 29 ms lines, shown as 517 BPM). A length below 1 counts as 120 ms,
// as it does for the player.
std::string DelayTimesText(int lineDuration);

}  // namespace tarvel
