#include "editor/LiveLaunching.h"

#include "editor/EditorBounds.h"

namespace tarvel {

bool LaunchSlotUnderCursor(SongEditor& edit) {
    TARVEL_ASSERT_LOCKED(edit);
    const EditorState& e = edit.editor;
    if (e.seqCursorRow < 0 || e.seqCursorRow >= kSequenceRows) return false;
    const int track = ClampTrack(e.seqCursorColumn);
    const SequenceSlot slot = edit.song.sequence[e.seqCursorRow][track];
    return slot.pattern < kPatternCount &&
           edit.engine.QueueLaunch(track, slot.pattern, slot.transpose, e.seqCursorRow);
}

bool QueueTrackMuteFlip(SongEditor& edit, int channel) {
    TARVEL_ASSERT_LOCKED(edit);
    return edit.engine.QueueMuteFlip(ClampTrack(channel));
}

bool LaunchPatternOfNote(SongEditor& edit, int note) {
    TARVEL_ASSERT_LOCKED(edit);
    return edit.engine.QueueLaunch(ClampTrack(edit.editor.currentChannel), note, 0, -1);
}

bool IsQueuedSlot(const PlayerState& player, int row, int track) {
    const QueuedLaunch& queued = player.live.tracks[ClampTrack(track)].pattern;
    return queued.kind == kLaunchPattern && queued.fromRow == row;
}

bool HasQueuedLaunch(const PlayerState& player, int track) {
    const LiveTrack& live = player.live.tracks[ClampTrack(track)];
    return live.pattern.kind != kNoLaunch || live.mute.kind != kNoLaunch;
}

}  // namespace tarvel
