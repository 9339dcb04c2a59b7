// The player: transport, the line clock counted in 2 ms ticks, and the walk through the
// sequencer (song mode) or the editor's pattern (pattern mode). Ticks run on the timer thread,
// the transport on the window thread, both under the document lock. Nothing here allocates.
//
// Values only a damaged or foreign song can bring are kept in range where they are used: a
// line duration below 1 counts as 120 ms, a slot naming no pattern (128..254) is empty, line
// counts are taken within 1..256 and the play row within the 16384 rows of the grid.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "engine/Engine.h"
#include "engine/LineTiming.h"
#include "song/CellCommandValues.h"
#include "song/SongOps.h"

namespace tarvel {
namespace {

int ClampRow(std::int64_t row) {
    return static_cast<int>(std::clamp<std::int64_t>(row, 0, kSequenceRows - 1));
}

// Where a fine event falls in a line of `lineNs`: a swung line starts `swing`/256 late and its
// steps share the rest; humanize then moves the cell's events together, never before the start.
std::int64_t FineEventNs(const FineEvent& event, std::int64_t lineNs) {
    const std::int64_t swungNs = lineNs * event.swing / cell::kSwingSteps;
    const std::int64_t stepNs = event.steps ? event.step * (lineNs - swungNs) / event.steps : 0;
    return std::max<std::int64_t>(
        0, swungNs + stepNs +
               std::int64_t{event.humanizeEighthsMs} * kNsPerMs / cell::kHumanizeStepsPerMs);
}

int PlayedLineCount(const Pattern& pattern) {
    return std::clamp(pattern.lineCount, 1, kPatternLines);
}

// Adds 2 ms without ever overflowing, however long a damaged line or a playback lasts.
void AddTwoMilliseconds(std::int32_t& clock) {
    if (clock <= std::numeric_limits<std::int32_t>::max() - 2) clock += 2;
}

}  // namespace

void Engine::StartPlayback(PlayMode mode, int fromRow) {
    TARVEL_ASSERT_LOCKED(*this);
    ReleaseAllNotes();
    ResetTrackState();
    player.playWatch = 0;
    player.lineClock = 0;
    player.playRow = ClampRow(fromRow);
    player.patternLine = 0;
    player.playMode = mode;
    player.clockOut.startPending = 1;
    for (ChannelFeel& feel : player.feel) feel = {};
    player.feelSeed = feelSeed;
    player.feelPass = 0;
    player.isPlaying = 1;
}

void Engine::StopPlayback() {
    TARVEL_ASSERT_LOCKED(*this);
    if (player.isPlaying) SendToClockDevices(0xFC, 0, 0);  // Stop
    player.isPlaying = 0;
    ReleaseAllNotes();
    ResetTrackState();
}

void Engine::SeekTo(std::int64_t row) {
    TARVEL_ASSERT_LOCKED(*this);
    player.playRow = ClampRow(row);
    signals_.Raise(kRepaintView);
}

void Engine::ResetTrackState() {
    TARVEL_ASSERT_LOCKED(*this);
    for (int track = 0; track < kTrackCount; ++track) {
        player.trackPattern[track] = -1;
        player.trackLine[track] = 0;
        player.trackPatternRecord[track] = nullptr;
        player.trackTranspose[track] = 0;
    }
    ClearLaunches();  // what was launched or queued went with what the tracks played
}

void Engine::PlayerTick(const PlayerInputs& given) {
    TARVEL_ASSERT_LOCKED(*this);
    PlayerInputs inputs = given;
    // Following a clock, a line plays only once its clock has come (engine/ClockFollow.cpp).
    if (FollowsClock() && !FollowedTick(inputs)) return;
    if (player.songReplacing || !player.isPlaying) return;
    // The tick's sends carry its deadline; sends between ticks go "now".
    SetDueTime(inputs.deadlineNs);
    if (player.playMode == kSongMode)
        SongTick(inputs);
    else
        PatternTick(inputs);
    SetDueTime(0);
}

void Engine::SongTick(const PlayerInputs& inputs) {
    TARVEL_ASSERT_LOCKED(*this);
    if (!player.isPlaying) return;
    const int lineDuration = LineDurationNow();
    if (SendsOwnClock()) SendClockOut(lineDuration, inputs.deadlineNs);

    if (player.lineClock == 0) {
        RunFineEvents(lineDuration, inputs.deadlineNs, true);
        BeginLine();
        for (int track = 0; track < kTrackCount; ++track) LoadTrackSlot(track);
        if (player.live.on) StartDueLaunches();
        TakeLineFeel(player.trackPatternRecord, player.trackLine);
        for (int track = 0; track < kTrackCount; ++track) {
            const Pattern* pattern = player.trackPatternRecord[track];
            if (player.trackPattern[track] == -1 || !pattern) continue;
            for (int column = 0; column < kTrackCount; ++column)
                PlayCell(*pattern, player.trackLine[track], track, column, inputs.currentChannel);
            // A track whose pattern ends falls silent, its notes sounding on until released; a
            // launched one loops.
            if (++player.trackLine[track] >= PlayedLineCount(*pattern)) {
                player.live.tracks[track].ended = 1;
                if (player.live.tracks[track].launched) {
                    player.trackLine[track] = 0;
                } else {
                    player.trackPattern[track] = -1;
                    player.trackPatternRecord[track] = nullptr;
                }
            }
        }
    }

    RunHalfLineActions(lineDuration, inputs.deadlineNs);
    RunFineEvents(lineDuration, inputs.deadlineNs, false);

    AdvanceClock();
    if (LineEnds(lineDuration)) {
        EndLine();
        ++player.playRow;
        if (player.playRow >= inputs.loopEndRow || player.playRow >= kSequenceRows) {
            player.playRow = ClampRow(inputs.loopStartRow);
            ++player.feelPass;
        }
    }
}

void Engine::PatternTick(const PlayerInputs& inputs) {
    TARVEL_ASSERT_LOCKED(*this);
    if (!player.isPlaying) return;
    const int lineDuration = LineDurationNow();
    // Taken afresh each tick, so a new pattern or channel plays from the next line on.
    const int patternNumber = inputs.currentPattern;
    const int channel = inputs.currentChannel & 0x0F;
    if (SendsOwnClock()) SendClockOut(lineDuration, inputs.deadlineNs);

    if (player.lineClock == 0) {
        RunFineEvents(lineDuration, inputs.deadlineNs, true);
        BeginLine();
        if (patternNumber >= 0 && patternNumber < kPatternCount) {
            const Pattern& pattern = song.patterns[patternNumber];
            const Pattern* patterns[kTrackCount] = {};
            std::int32_t lines[kTrackCount] = {};
            patterns[channel] = &pattern;
            lines[channel] = player.patternLine;
            TakeLineFeel(patterns, lines);
            for (int column = 0; column < kTrackCount; ++column)
                PlayCell(pattern, player.patternLine, channel, column, inputs.currentChannel);
            if (++player.patternLine >= PlayedLineCount(pattern)) {
                player.patternLine = 0;
                ++player.feelPass;
            }
        }
    }

    RunHalfLineActions(lineDuration, inputs.deadlineNs);
    RunFineEvents(lineDuration, inputs.deadlineNs, false);

    AdvanceClock();
    if (LineEnds(lineDuration)) EndLine();
}

void Engine::RunHalfLineActions(int lineDuration, std::int64_t deadlineNs) {
    if (!player.halfLinePending) return;
    const std::int64_t lineNs = WholeTickLineNs(lineDuration);
    const std::int64_t tickNs = std::int64_t{player.lineClock} * kNsPerMs;
    bool waiting = false, stamped = false;
    // Every channel's, also in pattern mode: a gate set before a change of channel must still
    // end its note.
    for (int channel = 0; channel < kTrackCount; ++channel) {
        ChannelFeel& feel = player.feel[channel];
        if (feel.halfLineRun) continue;
        if (feel.lineSwing == 0) {
            if (player.lineClock < lineDuration / 2) {
                waiting = true;
                continue;
            }
        } else {
            // Half-way through what swing leaves of the line, with its exact due time; in a line
            // too short to reach it, at its last tick, so no gate outlives its line.
            const FineEvent half{kFineNoteOff, 0, 0, 1, 2, 0, feel.lineSwing, 0, 0};
            const std::int64_t atNs = FineEventNs(half, lineNs);
            const bool lastTick = player.lineClock + 2 >= lineDuration;
            if (atNs > tickNs && !lastTick) {
                waiting = true;
                continue;
            }
            if (deadlineNs != 0) {
                SetDueTime(deadlineNs + atNs - tickNs);
                stamped = true;
            }
        }
        for (int column = 0; column < kTrackCount; ++column) RunPendingAction(channel, column);
        feel.halfLineRun = 1;
        if (stamped) SetDueTime(deadlineNs);
    }
    if (!waiting) player.halfLinePending = 0;
}

void Engine::BeginLine() {
    player.halfLinePending = 1;
    for (ChannelFeel& feel : player.feel) feel.halfLineRun = 0;
    if (player.editorWindowKnown) signals_.Raise(kRepaintView);
}

void Engine::EndLine() {
    player.carriedLineMs = player.lineClock;
    player.lineClock = 0;
    for (auto& channel : player.fineEvents)
        for (FineEvent& event : channel)
            if (event.action != kNoFineAction) event.carried = 1;
}

void Engine::AdvanceClock() {
    AddTwoMilliseconds(player.lineClock);
    AddTwoMilliseconds(player.playWatch);
}

void Engine::LoadTrackSlot(int track) {
    TARVEL_ASSERT_LOCKED(*this);
    const int row = player.playRow;
    if (track < 0 || track >= kTrackCount || row < 0 || row >= kSequenceRows) return;
    const SequenceSlot slot = song.sequence[row][track];
    if (slot.pattern >= kPatternCount) return;       // empty, or names no pattern: play on
    if (player.live.tracks[track].launched) return;  // its launched pattern plays on
    player.trackLine[track] = 0;
    player.trackPattern[track] = slot.pattern;
    player.trackPatternRecord[track] = &song.patterns[slot.pattern];
    player.trackTranspose[track] = slot.transpose;
}

void Engine::RunPendingAction(int channel, int column) {
    TARVEL_ASSERT_LOCKED(*this);
    channel &= 0x0F;
    column &= 0x0F;
    switch (player.pendingAction[channel][column]) {
        case kPendingNoteOff:
            NoteOff(channel, column);
            break;
        case kPendingDelayedNote:
        case kPendingRetrigger:
            if (mutes.Silences(channel)) break;
            NoteOn(channel, column, player.pendingNote[channel][column],
                   player.pendingVelocity[channel][column]);
            break;
        default:
            break;
    }
    player.pendingAction[channel][column] = kNoAction;
}

void Engine::RunFineEvents(int lineDuration, std::int64_t deadlineNs, bool carried) {
    TARVEL_ASSERT_LOCKED(*this);
    const std::int64_t lineNs = WholeTickLineNs(lineDuration);
    // Carried events belong to the line that just ended: this tick is its length after its start.
    const std::int64_t tickNs =
        std::int64_t{carried ? player.carriedLineMs : player.lineClock} * kNsPerMs;
    bool stamped = false;
    for (int channel = 0; channel < kTrackCount; ++channel) {
        for (int column = 0; column < kTrackCount; ++column) {
            FineEvent& event = player.fineEvents[channel][column];
            if (event.action == kNoFineAction || (event.carried != 0) != carried) continue;
            while (event.action != kNoFineAction) {
                // The first tick at or after the event's time; the stamp gives the exact time.
                const std::int64_t atNs = FineEventNs(event, lineNs);
                if (atNs > tickNs && !carried) break;
                if (deadlineNs != 0) {
                    SetDueTime(deadlineNs + std::min<std::int64_t>(0, atNs - tickNs));
                    stamped = true;
                }
                RunFineEvent(channel, column, event);
            }
        }
    }
    if (stamped) SetDueTime(deadlineNs);  // the tick's own sends
}

void Engine::RunFineEvent(int channel, int column, FineEvent& event) {
    TARVEL_ASSERT_LOCKED(*this);
    const bool sounds = !mutes.Silences(channel);
    switch (event.action) {
        case kFineNoteOff:
            NoteOff(channel, column);
            break;
        case kFineNoteOn:
            if (sounds) NoteOn(channel, column, event.note, event.velocity);
            if (event.gateStep != 0) {  // a moved gated note: its note-off follows
                event.action = kFineNoteOff;
                event.step = event.gateStep;
                event.gateStep = 0;
                return;
            }
            break;
        case kFineRatchet:
            // NoteOn ends the previous repeat first.
            if (sounds) NoteOn(channel, column, event.note, event.velocity);
            if (++event.step < event.steps) return;
            break;
        default:
            break;
    }
    event = {};
}

}  // namespace tarvel
