// Putting the current pattern into the sequencer slot under its cursor, and clearing it.
#include <cstddef>

#include "editor/SongEditor.h"

namespace tarvel {

namespace {

SequenceSlot* SlotUnderCursor(Song& song, const EditorState& editor, SongWriteListener* listener) {
    const int row = editor.seqCursorRow;
    const int column = editor.seqCursorColumn;
    if (row < 0 || row >= kSequenceRows || column < 0 || column >= kTrackCount) return nullptr;
    SequenceSlot* slot = &song.sequence[row][column];
    if (listener)
        listener->WillWrite(static_cast<std::size_t>(reinterpret_cast<char*>(slot) -
                                                     reinterpret_cast<char*>(&song)),
                            sizeof(SequenceSlot));
    return slot;
}

}  // namespace

void SongEditor::PutSequenceSlot() {
    TARVEL_ASSERT_LOCKED(*this);
    if (SequenceSlot* slot = SlotUnderCursor(song, editor, writeListener)) {
        slot->pattern = static_cast<std::uint8_t>(editor.currentPattern);
        slot->transpose = static_cast<std::int8_t>(editor.insertTranspose);
    }
}

void SongEditor::ClearSequenceSlot() {
    TARVEL_ASSERT_LOCKED(*this);
    if (SequenceSlot* slot = SlotUnderCursor(song, editor, writeListener)) {
        slot->pattern = kEmptySlot;
        slot->transpose = 0;
    }
}

}  // namespace tarvel
