// The opened MIDI output devices. Never saved; opened once when the document is made and
// closed once when the main window closes.
#pragma once

#include <cstdint>

#include "platform/MidiOut.h"

namespace tarvel {

constexpr int kMaxMidiDevices = 32;

struct MidiPortSet {
    // Device i is open when handles[i] is set; sends to any other index are dropped.
    MidiOutDriver* handles[kMaxMidiDevices];
    std::int32_t deviceCount;  // as reported at start-up, at most kMaxMidiDevices
    MidiOutCaps capabilities[kMaxMidiDevices];
    // Device i follows our tempo (MIDI clock, Start, Stop) when set; the Midi menu's choice.
    std::uint8_t sendsClock[kMaxMidiDevices];
};

}  // namespace tarvel
