// Where the player's tempo and line starts come from: one source at a time. A followed source
// decides when lines start; it never writes the song's tempo.
#pragma once

#include <cstdint>

namespace tarvel {

enum class TempoSource : std::uint8_t {
    kInternal = 0,       // the song's tempo, counted by the 2 ms clock
    kMidiClock = 1,      // the MIDI clock of one input: a line every 6 clocks
    kJackTransport = 2,  // JACK's transport: its start, stop and position, frame by frame
    // Ableton Link joins here.
};

inline const char* TempoSourceName(TempoSource source) {
    switch (source) {
        case TempoSource::kMidiClock:
            return "MIDI clock";
        case TempoSource::kJackTransport:
            return "JACK transport";
        default:
            return "Internal clock";
    }
}

// Raised (a UiSignal bit) when the followed source has gone quiet while playing: the tempo is
// held and nothing sounds until it comes back. Said once a loss.
constexpr unsigned kTempoSourceLost = 1u << 12;

}  // namespace tarvel
