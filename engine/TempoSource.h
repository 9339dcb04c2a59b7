// Where the player's tempo and line starts come from: one source at a time. A followed source
// decides when lines start; it never writes the song's tempo.
#pragma once

#include <cstdint>

namespace tarvel {

enum class TempoSource : std::uint8_t {
    kInternal = 0,       // the song's tempo, counted by the 2 ms clock
    kMidiClock = 1,      // the MIDI clock of one input: a line every 6 clocks
    kJackTransport = 2,  // JACK's transport: its start, stop and position, frame by frame
    kAbletonLink = 3,    // an Ableton Link session: its tempo, its beat phase, its start and stop
};

inline const char* TempoSourceName(TempoSource source) {
    switch (source) {
        case TempoSource::kMidiClock:
            return "MIDI clock";
        case TempoSource::kJackTransport:
            return "JACK transport";
        case TempoSource::kAbletonLink:
            return "Ableton Link";
        default:
            return "Internal clock";
    }
}

// Raised (a UiSignal bit) when the followed source is lost: a clock gone quiet or a server gone
// while playing (the tempo is held and nothing sounds until it comes back), or the last peer of
// a Link session gone (its timeline plays on at its last tempo). Said once a loss.
constexpr unsigned kTempoSourceLost = 1u << 12;
// Raised when what the panel says of the source changed (the number of Link peers).
constexpr unsigned kShowTempoSource = 1u << 13;

}  // namespace tarvel
