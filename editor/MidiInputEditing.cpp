#include "editor/MidiInputEditing.h"

#include <algorithm>

#include "editor/EditorBounds.h"
#include "song/SongOps.h"

namespace tarvel {
namespace {

void RecordNote(SongEditor& doc, InputRecording& recording, int note, int velocity) {
    EditorState& e = doc.editor;
    const int pattern = CurrentPatternIndex(e);
    const bool live = doc.player.isPlaying && doc.player.playMode == kPatternMode;
    const int line = live ? LiveRecordingLine(doc) : ClampLine(e.cursorLine);
    const int track = ClampTrack(e.cursorTrack);
    PatternCell& cell = doc.song.patterns[pattern].cells[line][track];
    const PatternCell before = cell;
    cell.note = static_cast<std::uint8_t>(note);
    if (recording.recordVelocity) cell.velocity = static_cast<std::uint8_t>(velocity);
    if (recording.pendingCount < InputRecording::kCapacity)
        recording.pending[recording.pendingCount++] = {pattern, line, track, before, cell};
    else
        recording.overflowed = 1;
    doc.RaiseUiSignal(kInputEdits);
    // While the pattern plays the cursor stays: the player shows where the notes go.
    if (live)
        doc.RaiseUiSignal(kRepaintView);
    else
        doc.MoveCursorLines(e.editStep);
}

}  // namespace

int LiveRecordingLine(const SongEditor& doc) {
    const int lineCount = UsableLineCount(doc.song.patterns[CurrentPatternIndex(doc.editor)]);
    // The line that started last; patternLine already names the one after it.
    const int playing = (doc.player.patternLine - 1 + lineCount) % lineCount;
    const bool pastHalf = 2 * doc.player.lineClock >= EffectiveLineDuration(doc.song);
    return std::clamp(pastHalf ? (playing + 1) % lineCount : playing, 0, lineCount - 1);
}

void HandleMidiInput(SongEditor& doc, InputRecording& recording, const MidiInMessage& message) {
    TARVEL_ASSERT_LOCKED(doc);
    const int channel = doc.editor.currentChannel & 0x0F;
    const int type = message.status & 0xF0;
    const int note = message.data1 & 0x7F;
    const int velocity = message.data2 & 0x7F;
    if (type == 0x90 && velocity > 0) {
        doc.engine.ThruNoteOn(channel, note, velocity);
        if (doc.editor.recordMode) RecordNote(doc, recording, note, velocity);
    } else if (type == 0x80 || type == 0x90) {
        doc.engine.ThruNoteOff(note);
    } else {
        doc.engine.ThruMessage(channel, message.status, message.data1, message.data2);
    }
}

}  // namespace tarvel
