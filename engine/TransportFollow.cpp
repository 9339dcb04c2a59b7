// Following JACK's transport: another client's start, stop and locate move the player, and a
// line starts as the transport passes the line's frame. Where the transport's timebase master
// publishes bar, beat and tick, its tempo sets the lines (four a beat) and its beats the row;
// else the song's tempo turns frames into rows. Each line's sends are due a constant latency
// after the moment the transport passed its frame, so they keep the frame's timing. Nothing
// here allocates. Timer thread, under the document lock.
#include <algorithm>
#include <cmath>

#include "engine/Engine.h"
#include "engine/LineTiming.h"
#include "song/SongOps.h"
#include "song/Tempo.h"

namespace tarvel {
namespace {

// Position arithmetic in doubles: a row start located exactly may read a hair either side.
constexpr double kRowEpsilon = 1e-6;

}  // namespace

void Engine::ReceiveTransport(const TransportPosition& t, std::int64_t nowNs) {
    TARVEL_ASSERT_LOCKED(*this);
    if (follow.source != TempoSource::kJackTransport) return;
    if (t.serverGone) {
        // Nothing to follow any more: the notes stop, the last tempo is held, said once.
        if (!follow.lost) {
            follow.lost = 1;
            follow.transportRolling = 0;
            follow.dueCount = 0;
            if (player.isPlaying) StopPlayback();
            signals_.Raise(kTempoSourceLost);
        }
        return;
    }
    if (t.frameRate <= 0) return;
    follow.lost = 0;
    const double lineNs = t.bpm > 0 ? LineNsOfBpm(t.bpm)
                                    : static_cast<double>(EffectiveLineDuration(song)) * kNsPerMs;
    if (lineNs != follow.transportLineNs) {
        follow.transportLineNs = lineNs;
        signals_.Raise(kShowBpm);
    }
    // The position in lines at the cycle's start, and at this tick.
    const double atCycle = t.bpm > 0 ? t.beats * kLinesPerBeat
                                     : static_cast<double>(t.frame) * 1e9 / t.frameRate / lineNs;
    const double now =
        t.rolling ? atCycle + static_cast<double>(nowNs - t.cycleNs) / lineNs : atCycle;

    if (!t.rolling) {
        if (follow.transportRolling && player.isPlaying) StopPlayback();
        follow.transportRolling = 0;
        follow.dueCount = 0;
        // Located while stopped: the next start plays from there.
        const auto row = std::clamp<std::int64_t>(static_cast<std::int64_t>(now + kRowEpsilon), 0,
                                                  kSequenceRows - 1);
        if (!player.isPlaying && row != player.playRow) SeekTo(row);
        return;
    }
    // Rolling. A position that went back, or far ahead of the lines due, is a locate.
    const auto next = static_cast<double>(follow.transportNextRow);
    const bool located = follow.transportRolling && (now < next - 1 - kRowEpsilon ||
                                                     now >= next + ClockFollowState::kMostDueLines);
    if (!follow.transportRolling || located) {
        // From the line the transport began, unless its due time (the latency after it began)
        // has passed: then from the next. The start is seen up to a period and a tick late, and
        // the JACK output leads every due time by a period, so a line not yet due is on time.
        auto row = static_cast<std::int64_t>(std::floor(atCycle + kRowEpsilon));
        const double begunNs = (now - static_cast<double>(row)) * lineNs;
        if (begunNs > static_cast<double>(ClockFollowState::kLatencyNs)) ++row;
        row = std::clamp<std::int64_t>(row, 0, kSequenceRows - 1);
        StartPlayback(kSongMode, static_cast<int>(row));
        follow.awaitingFirstClock = 0;
        follow.dueCount = 0;
        follow.transportNextRow = row;
        follow.transportRolling = 1;
    }
    // Every line start the transport has passed by now is due.
    while (static_cast<double>(follow.transportNextRow) <= now + kRowEpsilon &&
           follow.dueCount < ClockFollowState::kMostDueLines) {
        const double linesAhead = static_cast<double>(follow.transportNextRow) - atCycle;
        follow.dueNs[follow.dueCount++] =
            t.cycleNs + std::llround(linesAhead * lineNs) + ClockFollowState::kLatencyNs;
        ++follow.transportNextRow;
    }
}

}  // namespace tarvel
