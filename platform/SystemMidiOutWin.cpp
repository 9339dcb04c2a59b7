#include "platform/MidiOut.h"
#include "platform/WinMmMidiOut.h"

namespace tarvel {

// Windows has a General MIDI synth of its own among its WinMM ports; the built-in FluidSynth is
// not part of a Windows build.
std::unique_ptr<MidiOutDriver> CreateSystemMidiOut() {
    return std::make_unique<WinMmMidiOut>();
}

// No JACK on Windows, so nothing to set.
void PrepareProcessForMidi() {}

}  // namespace tarvel
