// Where the player's tempo and line starts come from: one source at a time. A followed source
// decides when lines start; it never writes the song's tempo.
#pragma once

#include <cstdint>

namespace tarvel {

enum class TempoSource : std::uint8_t {
    kInternal = 0,   // the song's tempo, counted by the 2 ms clock
    kMidiClock = 1,  // the MIDI clock of one input: a line every 6 clocks
    // JACK transport and Ableton Link join here.
};

// Raised (a UiSignal bit) when the followed source has gone quiet while playing: the tempo is
// held and nothing sounds until it comes back. Said once a loss.
constexpr unsigned kTempoSourceLost = 1u << 12;

}  // namespace tarvel
