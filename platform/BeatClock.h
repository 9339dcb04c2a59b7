// A beat timeline shared with other programs (an Ableton Link session): its tempo, the beat at a
// moment, whether the session plays, and how many peers share it. Read by the player's clock
// before each tick; plain fixed-size data.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvel {

struct BeatPosition {
    std::int64_t atNs;            // the moment read, CLOCK_MONOTONIC
    double bpm;                   // the session's tempo
    double beat;                  // the session's beat at atNs, in phase with the quantum
    double quantum;               // beats a bar: a start waits for the next multiple of it
    std::int64_t playingSinceNs;  // when the session last started or stopped playing
    std::int32_t peers;           // other programs in the session
    std::uint8_t playing;
    std::uint8_t unused[3];
};
static_assert(sizeof(BeatPosition) == 48);
static_assert(offsetof(BeatPosition, peers) == 40);

class BeatClock {
  public:
    virtual ~BeatClock() = default;
    // The player's clock only (one thread at a time), real-time safe: never waits, allocates or
    // touches the network. False when there is nothing to read.
    virtual bool Read(std::int64_t nowNs, BeatPosition& position) noexcept = 0;
    // Window thread: a tempo, or a start or stop, for the whole session.
    virtual void ProposeTempo(double bpm) = 0;
    virtual void ProposePlaying(bool playing) = 0;
};

}  // namespace tarvel
