#include "editor/MidiInputEditing.h"

#include <algorithm>

#include "editor/EditorBounds.h"
#include "editor/LiveLaunching.h"
#include "song/SongOps.h"

namespace tarvel {
namespace {

void RecordNote(SongEditor& edit, InputRecording& recording, int note, int velocity) {
    EditorState& e = edit.editor;
    const int pattern = CurrentPatternIndex(e);
    const bool live = edit.player.isPlaying && edit.player.playMode == kPatternMode;
    const int line = live ? LiveRecordingLine(edit) : ClampLine(e.cursorLine);
    const int track = ClampTrack(e.cursorTrack);
    PatternCell& cell = edit.song.patterns[pattern].cells[line][track];
    const PatternCell before = cell;
    cell.note = static_cast<std::uint8_t>(note);
    if (recording.recordVelocity) cell.velocity = static_cast<std::uint8_t>(velocity);
    if (recording.pendingCount < InputRecording::kCapacity)
        recording.pending[recording.pendingCount++] = {pattern, line, track, before, cell};
    else
        recording.overflowed = 1;
    edit.RaiseUiSignal(kInputEdits);
    // While the pattern plays the cursor stays: the player shows where the notes go.
    if (live)
        edit.RaiseUiSignal(kRepaintView);
    else
        edit.MoveCursorLines(e.editStep);
}

}  // namespace

int LiveRecordingLine(const SongEditor& edit) {
    const int lineCount = UsableLineCount(edit.song.patterns[CurrentPatternIndex(edit.editor)]);
    // The line that started last; patternLine already names the one after it.
    const int playing = (edit.player.patternLine - 1 + lineCount) % lineCount;
    const bool pastHalf = 2 * edit.player.lineClock >= EffectiveLineDuration(edit.song);
    return std::clamp(pastHalf ? (playing + 1) % lineCount : playing, 0, lineCount - 1);
}

void HandleMidiInput(SongEditor& edit, InputRecording& recording, const MidiInMessage& message) {
    TARVEL_ASSERT_LOCKED(edit);
    const int channel = edit.editor.currentChannel & 0x0F;
    const int type = message.status & 0xF0;
    const int note = message.data1 & 0x7F;
    const int velocity = message.data2 & 0x7F;
    const bool launching = type == 0x90 && velocity > 0 && edit.player.live.on;
    if (message.fromLaunchInput) {
        if (launching) LaunchPatternOfNote(edit, note);
        return;
    }
    // In live mode the notes launch patterns: they neither sound nor go into the song.
    if (launching && !recording.launchInputChosen) {
        LaunchPatternOfNote(edit, note);
    } else if (type == 0x90 && velocity > 0) {
        edit.engine.ThruNoteOn(channel, note, velocity);
        if (edit.editor.recordMode) RecordNote(edit, recording, note, velocity);
    } else if (type == 0x80 || type == 0x90) {
        edit.engine.ThruNoteOff(note);
    } else {
        edit.engine.ThruMessage(channel, message.status, message.data1, message.data2);
    }
}

}  // namespace tarvel
