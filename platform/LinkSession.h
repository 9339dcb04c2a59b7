// An Ableton Link session, joined while the user follows it: tempo, beat phase and start/stop
// shared with every Link program on the network. Made and destroyed on the window thread (both
// may wait for Link's own threads); Read on the player's clock, Propose* on the window thread.
// Link keeps its time on CLOCK_MONOTONIC here, the clock the player's deadlines are on.
#pragma once

#include <atomic>
#include <memory>

#include "platform/BeatClock.h"

namespace tarvel {

class LinkSession final : public BeatClock {
  public:
    // Joins at once, with start/stop shared. A new session starts at `bpm`; an existing one
    // keeps its own tempo. `quantumBeats`: a bar, for the phase.
    LinkSession(double bpm, double quantumBeats);
    ~LinkSession() override;
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    bool Read(std::int64_t nowNs, BeatPosition& position) noexcept override;
    void ProposeTempo(double bpm) override;
    void ProposePlaying(bool playing) override;
    void SetQuantum(double beats) noexcept { quantum_.store(beats, std::memory_order_relaxed); }
    int Peers() const noexcept { return peers_.load(std::memory_order_relaxed); }

  private:
    struct Link;
    std::unique_ptr<Link> link_;
    std::atomic<int> peers_{0};  // written by Link's thread as peers come and go
    std::atomic<double> quantum_;
};

}  // namespace tarvel
