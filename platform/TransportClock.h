// A transport shared with other programs (JACK's): where it stands as one of its process cycles
// saw it, read by the player's clock before each tick. Plain fixed-size data.
#pragma once

#include <cstdint>

namespace tarvel {

struct TransportPosition {
    std::int64_t frame;    // the transport's frame at the start of the cycle
    std::int64_t cycleNs;  // that moment on CLOCK_MONOTONIC
    double bpm;            // from the timebase master's bar, beat and tick; 0 when none
    double beats;          // the position in beats from the song's start, when bpm > 0
    std::int32_t frameRate;
    std::uint8_t rolling;
    std::uint8_t serverGone;
    std::uint16_t unused;
};
static_assert(sizeof(TransportPosition) == 40);

class TransportClock {
  public:
    virtual ~TransportClock() = default;
    // Any thread, real-time safe: never waits, allocates or calls the server. False before the
    // first cycle, or when a cycle was writing just then (the caller keeps the last position).
    virtual bool Read(TransportPosition& position) const noexcept = 0;
    // Any thread, real-time safe: the tempo to publish while we are the timebase master.
    virtual void OfferTempo(double bpm) noexcept { (void)bpm; }
    // Window thread; may wait for the server. Moves the shared transport, for every program
    // that follows it: to `frame` and rolling, or stopped.
    virtual void StartAt(std::int64_t frame) { (void)frame; }
    virtual void Stop() {}
};

}  // namespace tarvel
