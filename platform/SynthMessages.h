// One MIDI message handed to a FluidSynth synth, as a MIDI port would deliver it: the built-in
// synth plays the live messages this way, and the audio file renderer those of an export.
#pragma once

#include <cstdint>

struct _fluid_synth_t;

namespace tarvel {

// Any thread that may use `synth`. Messages a synth has no use for are ignored.
void PlayOnSynth(_fluid_synth_t* synth, const std::uint8_t* bytes, int length) noexcept;

// Keeps FluidSynth from printing its own complaints: we say what failed in our words. The log is
// process-wide, so this belongs before any synth starts (the built-in synth's start does it).
void SilenceSynthLog() noexcept;

}  // namespace tarvel
