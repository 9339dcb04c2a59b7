// Live launching. The window thread (a key, a click) and a MIDI input's thread (a note) queue
// launches; the timer thread's ticks start them at each line's start in song mode. All of it
// under the document lock; nothing here allocates.
#include <algorithm>

#include "engine/Engine.h"

namespace tarvel {

void Engine::SetLiveMode(bool on) {
    TARVEL_ASSERT_LOCKED(*this);
    player.live.on = on ? 1 : 0;
    ClearLaunches();
    signals_.Raise(kRepaintView);
}

bool Engine::QueueLaunch(int track, int pattern, int transpose, int fromRow) {
    TARVEL_ASSERT_LOCKED(*this);
    const bool taken = player.live.on && player.isPlaying && player.playMode == kSongMode;
    if (!taken || track < 0 || track >= kTrackCount || pattern < 0 || pattern >= kPatternCount)
        return false;
    player.live.tracks[track].pattern = {kLaunchPattern, static_cast<std::uint8_t>(pattern),
                                         static_cast<std::int8_t>(std::clamp(transpose, -128, 127)),
                                         player.live.boundary, fromRow};
    signals_.Raise(kRepaintView);
    return true;
}

bool Engine::QueueMuteFlip(int track) {
    TARVEL_ASSERT_LOCKED(*this);
    const bool taken = player.live.on && player.isPlaying && player.playMode == kSongMode;
    if (!taken || track < 0 || track >= kTrackCount) return false;
    QueuedLaunch& queued = player.live.tracks[track].mute;
    const bool mutedNow = (mutes.muted >> track & 1) != 0;
    const bool mutedThen = queued.kind == kNoLaunch ? mutedNow : queued.kind == kLaunchMute;
    if (!mutedThen == mutedNow)
        queued = {};
    else
        queued = {mutedThen ? kLaunchUnmute : kLaunchMute, 0, 0, player.live.boundary, -1};
    signals_.Raise(kRepaintView);
    return true;
}

void Engine::StartDueLaunches() {
    TARVEL_ASSERT_LOCKED(*this);
    const bool bar = player.playRow % kLaunchBarLines == 0;
    for (int track = 0; track < kTrackCount; ++track) {
        LiveTrack& live = player.live.tracks[track];
        const bool idle = player.trackPattern[track] == -1;
        // Its pattern starts from the top at this line: a grid slot, or its loop coming round.
        const bool top = !idle && player.trackLine[track] == 0;
        const auto due = [&](const QueuedLaunch& queued) {
            return queued.boundary == kAtNextBar ? bar : top || live.ended || (idle && bar);
        };
        if (live.mute.kind != kNoLaunch && due(live.mute)) {
            TrackMutes next = mutes;
            const auto bit = static_cast<std::uint16_t>(1u << track);
            next.muted = live.mute.kind == kLaunchMute ? next.muted | bit : next.muted & ~bit;
            live.mute = {};
            SetTrackMutes(next);  // releases the notes of a track it mutes
        }
        if (live.pattern.kind == kLaunchPattern && due(live.pattern)) {
            const QueuedLaunch queued = live.pattern;
            live.pattern = {};
            live.launched = 1;
            player.trackPattern[track] = queued.pattern;
            player.trackLine[track] = 0;
            player.trackPatternRecord[track] = &song.patterns[queued.pattern];
            player.trackTranspose[track] = queued.transpose;
            RecordLaunchStart(track);
        } else if (live.launched && top) {
            RecordLaunchStart(track);  // its loop came round
        }
        live.ended = 0;
    }
}

void Engine::RecordLaunchStart(int track) {
    LiveState& live = player.live;
    if (!live.recordArrangement) return;
    if (live.startCount < LiveState::kStartCapacity)
        live.starts[live.startCount++] = {player.playRow, static_cast<std::uint8_t>(track),
                                          static_cast<std::uint8_t>(player.trackPattern[track]),
                                          static_cast<std::int8_t>(player.trackTranspose[track]),
                                          0};
    else
        live.startsOverflowed = 1;
    signals_.Raise(kLaunchesStarted);
}

void Engine::ClearLaunches() {
    TARVEL_ASSERT_LOCKED(*this);
    // The starts stay: the window still writes those into the grid.
    for (LiveTrack& track : player.live.tracks) track = {};
}

}  // namespace tarvel
