// Following another player's MIDI clock: the clock's times filtered by a delay-locked loop, and
// the record the player keeps while following. Plain fixed-size data; nothing allocates.
#pragma once

#include <cstdint>

#include "engine/TempoSource.h"

namespace tarvel {

// A second-order delay-locked loop over the arrival times of a regular event, after Fons
// Adriaensen's "Using a DLL to filter time": it predicts each next arrival from the filtered
// period, and corrects phase and period by the prediction's error. Its bandwidth starts wide,
// so it locks within a few clocks, and narrows to kNarrowestBandwidth (per clock), where a
// master's +-1 ms jitter moves the filtered times by about a third of that.
class ClockDll {
  public:
    static constexpr double kNarrowestBandwidth = 0.05;
    static constexpr int kWarmUpClocks = 24;
    // How far a filtered time may stray from its arrival: a tempo change the loop has not yet
    // caught up with lands its lines no later than this.
    static constexpr std::int64_t kMostCorrectionNs = 2'000'000;

    void Reset() noexcept { *this = {}; }
    // The next event's arrival (ns); returns its filtered time. A gap of more than four periods
    // (the clock stopped and came back) starts afresh; the old period stands meanwhile.
    std::int64_t Feed(std::int64_t arrivedNs) noexcept;
    // The filtered period in ns; 0 before two events.
    double PeriodNs() const noexcept { return period_; }
    std::int32_t Count() const noexcept { return count_; }

  private:
    std::int64_t last_ = 0;   // the previous arrival
    std::int64_t first_ = 0;  // the first arrival since a start or a gap
    std::int32_t count_ = 0;
    double period_ = 0;  // e2 in the paper
    double next_ = 0;    // t1: the predicted next arrival
};
static_assert(sizeof(ClockDll) == 40);

// The player's record while it follows a clock. Under the document lock.
struct ClockFollowState {
    static constexpr int kClocksPerLine = 6;
    static constexpr int kMostDueLines = 4;
    // A line's sends are due this long after its clock (filtered): room for the 2 ms tick to
    // take it up and for the filtering, so every line starts the same time after its clock.
    static constexpr std::int64_t kLatencyNs = 6'000'000;
    // No clock for this long while playing: the source is lost.
    static constexpr std::int64_t kLossNs = 500'000'000;

    TempoSource source;
    std::uint8_t awaitingFirstClock;  // after Start, Continue or a loss: the next clock is a line
    std::uint8_t clocksInLine;        // clocks since the latest line's, 0..5
    std::uint8_t lost;                // no clock for kLossNs: the tempo is held
    std::uint8_t dueCount;            // lines whose clock came, not yet started, oldest first
    std::int32_t shownBpm;            // the tempo the window was last asked to show
    std::int64_t dueNs[kMostDueLines];
    std::int64_t lineStartNs;  // the due time of the line being played
    std::int64_t lastClockNs;  // arrival of the latest clock; 0 none yet
    std::int64_t lastRelayNs;  // due time of the latest message relayed: relays keep their order
    ClockDll dll;
    // Following JACK's transport: the row whose start it passes next, the length of a line at
    // the transport's tempo (0 before its first cycle), and whether it rolled last tick.
    // Following a Link session the same three count the lines since the start, at the
    // session's tempo, while it plays.
    std::int64_t transportNextRow;
    double transportLineNs;
    std::uint8_t transportRolling;
    // Link: the session's beat where the first line started (a bar's boundary), and the peers
    // seen at the last tick.
    double startBeat;
    std::int32_t linkPeers;
};
static_assert(sizeof(ClockFollowState) == 152);

}  // namespace tarvel
