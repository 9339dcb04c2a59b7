// Following another player's MIDI clock. The input's clock messages reach the timer thread
// through a lock-free queue, drained before each tick under the document lock; lines start on
// the master's clocks, a line every 6 of them, so the phase is the master's, and each line's
// sends are stamped with its clock's filtered time plus a constant latency, so a master's jitter
// does not make lines uneven. The loop's period gives the tempo used inside a line (half-line
// actions, fine-timed notes) and the tempo shown. The song's tempo is never written. Clock out,
// when on, relays what the master sends. Nothing here allocates.
#include <algorithm>
#include <cmath>

#include "engine/Engine.h"
#include "engine/LineTiming.h"
#include "song/SongOps.h"
#include "song/Tempo.h"

namespace tarvel {
namespace {

constexpr std::uint8_t kTimingClock = 0xF8;
constexpr std::uint8_t kStart = 0xFA;
constexpr std::uint8_t kContinue = 0xFB;
constexpr std::uint8_t kStop = 0xFC;
constexpr std::uint8_t kSongPosition = 0xF2;

}  // namespace

std::int64_t ClockDll::Feed(std::int64_t arrivedNs) noexcept {
    const std::int64_t interval = arrivedNs - last_;
    last_ = arrivedNs;
    if (count_ == 0 || interval <= 0) {
        count_ = 1;
        first_ = arrivedNs;
        return arrivedNs;
    }
    if (interval > 4 * period_ && count_ >= 2) {
        // A gap: the clock stopped and came back, perhaps at another tempo. The next interval
        // is the new first period; the old one stands until then.
        count_ = 1;
        first_ = arrivedNs;
        return arrivedNs;
    }
    if (count_ == 1) {
        period_ = static_cast<double>(interval);
        next_ = static_cast<double>(arrivedNs) + period_;
        count_ = 2;
        return arrivedNs;
    }
    // Wide at first, like a running mean over the clocks so far, then narrow.
    const double omega = std::max(kNarrowestBandwidth, 2.0 / (count_ + 1));
    const double b = std::sqrt(2.0) * omega;
    const double c = omega * omega;
    const double error = static_cast<double>(arrivedNs) - next_;
    const double filtered = next_;
    next_ += b * error + period_;
    // For the first beat the period is the mean since the first clock, which one jittered
    // interval would otherwise set for many beats.
    period_ = count_ < kWarmUpClocks ? static_cast<double>(arrivedNs - first_) / count_
                                     : period_ + c * error;
    period_ = std::max(period_, 1e5);  // never below 0.1 ms, whatever comes
    if (count_ < (1 << 30)) ++count_;
    return std::clamp<std::int64_t>(std::llround(filtered), arrivedNs - kMostCorrectionNs,
                                    arrivedNs + kMostCorrectionNs);
}

void Engine::SetTempoSource(TempoSource source) {
    TARVEL_ASSERT_LOCKED(*this);
    if (source == follow.source) return;
    follow = {};
    follow.source = source;
    follow.awaitingFirstClock = 1;
    // Clock out goes on from the next line in its own time, telling the devices where we are.
    player.clockOut.expectedRow = -1;
    player.clockOut.startPending = 0;
    signals_.Raise(kShowBpm);
}

double Engine::FollowedBpm() const {
    const double lineNs = FollowedLineNs();
    if (lineNs <= 0) return 0;
    return BpmOfLineNs(lineNs);
}

double Engine::FollowedLineNs() const {
    switch (follow.source) {
        case TempoSource::kMidiClock:
            return follow.dll.PeriodNs() * ClockFollowState::kClocksPerLine;
        case TempoSource::kJackTransport:
        case TempoSource::kAbletonLink:
            return follow.transportLineNs;
        default:
            return 0;
    }
}

void Engine::ReceiveClock(std::uint8_t status, int data1, int data2, std::int64_t arrivedNs) {
    TARVEL_ASSERT_LOCKED(*this);
    if (follow.source != TempoSource::kMidiClock) return;
    const std::int64_t dueNs = arrivedNs + ClockFollowState::kLatencyNs;
    switch (status) {
        case kTimingClock: {
            const std::int64_t lineDueNs =
                follow.dll.Feed(arrivedNs) + ClockFollowState::kLatencyNs;
            follow.lastClockNs = arrivedNs;
            follow.lost = 0;
            bool lineStarts = false;
            if (follow.awaitingFirstClock) {
                follow.awaitingFirstClock = 0;
                follow.clocksInLine = 0;
                lineStarts = true;
            } else if (++follow.clocksInLine >= ClockFollowState::kClocksPerLine) {
                follow.clocksInLine = 0;
                lineStarts = true;
            }
            if (lineStarts && player.isPlaying) {
                // A tick held up for several lines plays each in turn; past that the oldest go.
                if (follow.dueCount == ClockFollowState::kMostDueLines) {
                    std::copy(follow.dueNs + 1, follow.dueNs + follow.dueCount, follow.dueNs);
                    --follow.dueCount;
                }
                follow.dueNs[follow.dueCount++] = lineDueNs;
            }
            if (player.isPlaying) Relay(kTimingClock, 0, 0, lineDueNs);
            break;
        }
        case kStart:
            StartFollowed(0, /*continuing=*/false);
            Relay(kStart, 0, 0, dueNs);
            break;
        case kContinue:
            StartFollowed(player.playRow, /*continuing=*/true);
            Relay(kContinue, 0, 0, dueNs);
            break;
        case kStop:
            // The master stands after the last clock: past the line once all six have come,
            // so Continue goes on with the next one.
            if (player.isPlaying && player.lineClock != 0 &&
                follow.clocksInLine == ClockFollowState::kClocksPerLine - 1 && follow.dueCount == 0)
                player.playRow = std::min(player.playRow + 1, kSequenceRows - 1);
            if (player.isPlaying) {
                // StopPlayback tells our clock devices itself.
                SetDueTime(std::max(dueNs, follow.lastRelayNs));
                StopPlayback();
                SetDueTime(0);
            }
            follow.dueCount = 0;
            break;
        case kSongPosition: {
            // One unit is six clocks, one line: the position is the row.
            const int row = (data1 & 0x7F) | (data2 & 0x7F) << 7;
            SeekTo(row);
            // A line is playing: its end steps the row on, onto the master's.
            if (player.isPlaying && player.lineClock != 0) player.playRow = row - 1;
            follow.clocksInLine = 0;
            follow.awaitingFirstClock = 1;
            Relay(kSongPosition, data1 & 0x7F, data2 & 0x7F, dueNs);
            break;
        }
        default:
            break;
    }
}

void Engine::StartFollowed(int row, bool continuing) {
    TARVEL_ASSERT_LOCKED(*this);
    const std::int32_t line = player.patternLine;
    const std::int32_t watch = player.playWatch;
    StartPlayback(static_cast<PlayMode>(player.playMode == kPatternMode), row);
    if (continuing) {
        player.patternLine = line;
        player.playWatch = watch;
    }
    player.clockOut.startPending = 0;  // the master's own Start or Continue is relayed
    follow.awaitingFirstClock = 1;
    follow.dueCount = 0;
}

void Engine::Relay(std::uint8_t status, int data1, int data2, std::int64_t dueNs) {
    // Back ends that deliver by time stamp would reorder messages whose times went back.
    follow.lastRelayNs = std::max(dueNs, follow.lastRelayNs);
    SetDueTime(follow.lastRelayNs);
    SendToClockDevices(status, data1, data2);
    SetDueTime(0);
}

bool Engine::FollowedTick(PlayerInputs& inputs) {
    TARVEL_ASSERT_LOCKED(*this);
    const std::int64_t nowNs = inputs.deadlineNs;
    if (nowNs != 0 && follow.lastClockNs != 0 && !follow.lost &&
        nowNs - follow.lastClockNs > ClockFollowState::kLossNs) {
        // The master went quiet: its tempo is held, nothing sounds on, and the first clock that
        // comes back starts a line.
        follow.lost = 1;
        follow.awaitingFirstClock = 1;
        if (player.isPlaying && !player.songReplacing) {
            ReleaseAllNotes();
            signals_.Raise(kTempoSourceLost);
        }
    }
    if (player.songReplacing || !player.isPlaying) return false;
    if (player.lineClock == 0) {
        if (follow.dueCount == 0) return false;  // waiting for the line's clock
        follow.lineStartNs = follow.dueNs[0];
        std::copy(follow.dueNs + 1, follow.dueNs + follow.dueCount, follow.dueNs);
        --follow.dueCount;
        const int bpm = static_cast<int>(std::lround(FollowedBpm()));
        if (bpm != follow.shownBpm) {
            follow.shownBpm = bpm;
            signals_.Raise(kShowBpm);
        }
    }
    // This moment of the line, on the master's time: the line's clock and the ticks since.
    if (follow.lineStartNs != 0)
        inputs.deadlineNs = follow.lineStartNs + std::int64_t{player.lineClock} * kNsPerMs;
    return true;
}

int Engine::LineDurationNow() const {
    const double lineNs = FollowedLineNs();
    if (lineNs <= 0) return EffectiveLineDuration(song);
    const double lineMs = lineNs / kNsPerMs;
    return static_cast<int>(std::clamp<long>(std::lround(lineMs), 2, 60'000));
}

bool Engine::LineEnds(int lineDuration) {
    if (!FollowsClock()) return player.lineClock >= lineDuration;
    if (follow.dueCount == 0) return false;
    // The next line's clock came before this line's half: its half-line actions go first.
    if (player.halfLinePending) RunHalfLineActions(0, 0);
    return true;
}

}  // namespace tarvel
