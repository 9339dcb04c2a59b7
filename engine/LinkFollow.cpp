// Following an Ableton Link session: the session's tempo sets the lines (four a beat), its
// start and stop move the player, and a start waits for the next boundary of the quantum, so
// our bars fall on the session's bars. Each line is due when the session's timeline reaches its
// beat, and is taken up as soon as that is within the constant latency, so its sends are stamped
// with the beat's own time: on a device that plays by time stamp, our lines sound on the peers'
// beats. A peer leaving changes nothing but the count: with none left the session's last tempo
// goes on, said once. Nothing here allocates. Timer thread, under the document lock.
#include <algorithm>
#include <cmath>

#include "engine/Engine.h"
#include "song/Tempo.h"

namespace tarvel {
namespace {

// Beat arithmetic in doubles: a boundary read exactly may read a hair either side.
constexpr double kBeatEpsilon = 1e-9;

}  // namespace

void Engine::ReceiveBeats(const BeatPosition& b, int startRow, std::int64_t nowNs) {
    TARVEL_ASSERT_LOCKED(*this);
    if (follow.source != TempoSource::kAbletonLink || b.bpm <= 0) return;
    const double lineNs = LineNsOfBpm(b.bpm);
    if (lineNs != follow.transportLineNs) {
        follow.transportLineNs = lineNs;
        signals_.Raise(kShowBpm);
    }
    if (b.peers != follow.linkPeers) {
        if (b.peers == 0) signals_.Raise(kTempoSourceLost);
        follow.linkPeers = b.peers;
        signals_.Raise(kShowTempoSource);
    }
    if (!b.playing) {
        if (follow.transportRolling && player.isPlaying) StopPlayback();
        follow.transportRolling = 0;
        follow.dueCount = 0;
        return;
    }
    const double beatsPerNs = b.bpm / 60e9;
    const auto beatAt = [&](std::int64_t ns) {
        return b.beat + static_cast<double>(ns - b.atNs) * beatsPerNs;
    };
    if (!follow.transportRolling) {
        // From the first bar at or after the session's start, or after now when it started
        // before: a bar already begun is not joined halfway.
        const double quantum = b.quantum > 0 ? b.quantum : 1;
        const double from = beatAt(std::max(b.playingSinceNs, nowNs));
        follow.startBeat = std::ceil(from / quantum - kBeatEpsilon) * quantum;
        StartPlayback(kSongMode, std::clamp(startRow, 0, kSequenceRows - 1));
        follow.awaitingFirstClock = 0;
        follow.dueCount = 0;
        follow.transportNextRow = 0;
        follow.transportRolling = 1;
    }
    if (!player.isPlaying) return;  // stopped here while the session plays on
    // Every line whose beat comes within the latency is due, at the beat's own time.
    const double horizon = beatAt(nowNs + ClockFollowState::kLatencyNs);
    while (follow.dueCount < ClockFollowState::kMostDueLines) {
        const double lineBeat =
            follow.startBeat + static_cast<double>(follow.transportNextRow) / kLinesPerBeat;
        if (lineBeat > horizon + kBeatEpsilon) break;
        follow.dueNs[follow.dueCount++] = b.atNs + std::llround((lineBeat - b.beat) / beatsPerNs);
        ++follow.transportNextRow;
    }
}

}  // namespace tarvel
