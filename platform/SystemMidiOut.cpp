#include <cstdlib>

#include "platform/MidiOut.h"
#include "platform/RtMidiOutDriver.h"
#include "platform/SynthMidiOut.h"

namespace tarvel {

std::unique_ptr<MidiOutDriver> CreateSystemMidiOut() {
    SynthMidiOut* synth = nullptr;
    return CreateSystemMidiOut(SynthMidiOut::kDefaultSoundFont, SynthMidiOut::kGain, synth);
}

std::unique_ptr<MidiOutDriver> CreateSystemMidiOut(const std::string& soundFont, double gain,
                                                   SynthMidiOut*& synth) {
    auto chain = std::make_unique<ChainedMidiOut>();
    auto ownSynth = std::make_unique<SynthMidiOut>(soundFont, gain);
    synth = ownSynth.get();
    if (ownSynth->DeviceCount() == 0)
        chain->SetNote("Built-in synthesizer: absent, " + ownSynth->Failure() + ".");
    chain->Add(std::move(ownSynth));
    chain->Add(std::make_unique<RtMidiOutDriver>());
    return chain;
}

void PrepareProcessForMidi() {
    setenv("JACK_NO_START_SERVER", "1", 0);
}

}  // namespace tarvel
