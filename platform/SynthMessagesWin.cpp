// Without the built-in synth (see SynthFileRendererWin.cpp) there is no synth to play on and no
// synth log to silence.
#include "platform/SynthMessages.h"

namespace tarvel {

void PlayOnSynth(_fluid_synth_t*, const std::uint8_t*, int) noexcept {}

void SilenceSynthLog() noexcept {}

}  // namespace tarvel
