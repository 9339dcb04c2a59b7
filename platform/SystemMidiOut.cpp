#include <cstdlib>

#include "platform/MidiOut.h"
#include "platform/RtMidiOutDriver.h"
#include "platform/SynthMidiOut.h"

namespace tarvel {

std::unique_ptr<MidiOutDriver> CreateSystemMidiOut() {
    auto chain = std::make_unique<ChainedMidiOut>();
    chain->Add(std::make_unique<SynthMidiOut>());
    chain->Add(std::make_unique<RtMidiOutDriver>());
    return chain;
}

void PrepareProcessForMidi() {
    setenv("JACK_NO_START_SERVER", "1", 0);
}

}  // namespace tarvel
