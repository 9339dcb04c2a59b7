// Putting the current pattern into the sequencer slot under its cursor, and clearing it.
#include "editor/SongEditor.h"

namespace tarvel {

namespace {

SequenceSlot* SlotUnderCursor(Song& song, const EditorState& editor) {
    const int row = editor.seqCursorRow;
    const int column = editor.seqCursorColumn;
    if (row < 0 || row >= kSequenceRows || column < 0 || column >= kTrackCount) return nullptr;
    return &song.sequence[row][column];
}

}  // namespace

void SongEditor::PutSequenceSlot() {
    TARVEL_ASSERT_LOCKED(*this);
    if (SequenceSlot* slot = SlotUnderCursor(song, editor)) {
        slot->pattern = static_cast<std::uint8_t>(editor.currentPattern);
        slot->transpose = static_cast<std::int8_t>(editor.insertTranspose);
    }
}

void SongEditor::ClearSequenceSlot() {
    TARVEL_ASSERT_LOCKED(*this);
    if (SequenceSlot* slot = SlotUnderCursor(song, editor)) {
        slot->pattern = kEmptySlot;
        slot->transpose = 0;
    }
}

}  // namespace tarvel
