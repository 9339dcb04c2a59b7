#include "editor/KeyEditing.h"

#include <mutex>

namespace tarvel {

namespace {

// Pattern-pane keys that move the cursor; true when `virtualKey` was one of them.
bool HandleNavigationKey(SongEditor& edit, int virtualKey, bool shiftHeld) {
    switch (virtualKey) {
        case vk::kTab:
            edit.editor.cursorField = 0;
            MoveCursorTrack(edit, shiftHeld ? -1 : +1);
            return true;
        case vk::kPrior:
            edit.MoveCursorLines(-16);
            return true;
        case vk::kNext:
            edit.MoveCursorLines(+16);
            return true;
        case vk::kUp:
            edit.MoveCursorLines(-1);
            return true;
        case vk::kDown:
            edit.MoveCursorLines(+1);
            return true;
        case vk::kLeft:
            MoveCursorField(edit, -1);
            return true;
        case vk::kRight:
            MoveCursorField(edit, +1);
            return true;
        default:
            return false;
    }
}

void HandleSequencerKey(SongEditor& edit, int virtualKey) {
    switch (virtualKey) {
        case vk::kUp:
            MoveSeqRows(edit, -edit.editor.seqStep);
            break;
        case vk::kDown:
            MoveSeqRows(edit, +edit.editor.seqStep);
            break;
        case vk::kLeft:
            MoveCurrentChannel(edit, -1);
            break;
        case vk::kRight:
            MoveCurrentChannel(edit, +1);
            break;
        default:
            break;
    }
}

}  // namespace

int NoteKeyValue(int virtualKey) {
    // A US keyboard's two rows of piano keys: Z..M from C of the octave, Q..U an octave up,
    // and I..P a third octave's first notes; the black keys sit in the row above each.
    switch (virtualKey) {
        case 'Z':
            return 0;
        case 'S':
            return 1;
        case 'X':
            return 2;
        case 'D':
            return 3;
        case 'C':
            return 4;
        case 'V':
            return 5;
        case 'G':
            return 6;
        case 'B':
            return 7;
        case 'H':
            return 8;
        case 'N':
            return 9;
        case 'J':
            return 10;
        case 'M':
            return 11;
        case 'Q':
            return 12;
        case '2':
            return 13;
        case 'W':
            return 14;
        case '3':
            return 15;
        case 'E':
            return 16;
        case 'R':
            return 17;
        case '5':
            return 18;
        case 'T':
            return 19;
        case '6':
            return 20;
        case 'Y':
            return 21;
        case '7':
            return 22;
        case 'U':
            return 23;
        case 'I':
            return 24;
        case '9':
            return 25;
        case 'O':
            return 26;
        case '0':
            return 27;
        case 'P':
            return 28;
        case '1':
            return kNoteOff;
        case vk::kDelete:
            return kNoNote;
        default:
            return -1;
    }
}

int DigitKeyValue(int virtualKey) {
    if (virtualKey >= '0' && virtualKey <= '9') return virtualKey - '0';
    if (virtualKey >= 'A' && virtualKey <= 'F') return virtualKey - 'A' + 10;
    if (virtualKey == vk::kDelete) return SongEditor::kDeleteEntry;
    return -1;
}

void EditorKeyDown(SongEditor& edit, const EditorKey& key, bool shiftHeld) {
    std::lock_guard lock(edit.mutex);
    const int virtualKey = key.virtualKey;
    const int noteKey = NoteTableKey(key);
    // The field is read once, here: a key that moves the cursor never also types.
    const int field = edit.editor.cursorField;
    if (edit.editor.sequencerFocus != 0) {
        HandleSequencerKey(edit, virtualKey);
        return;
    }
    if (HandleNavigationKey(edit, virtualKey, shiftHeld)) return;
    if (field == 0) {
        if (const int value = NoteKeyValue(noteKey); value >= 0) {
            const int channel = edit.editor.currentChannel & 0x0F;
            const int column = edit.editor.cursorTrack & 0x0F;
            edit.PreviewNote(value);
            const std::int32_t sounding = edit.song.soundingNote[channel][column];
            if (value != kNoteOff && value != kNoNote && sounding >= 0)
                edit.editor.heldNoteKeys[noteKey & 0xFF] = {1, static_cast<std::uint8_t>(channel),
                                                            static_cast<std::uint8_t>(column),
                                                            static_cast<std::uint8_t>(sounding)};
        }
    } else if (field >= 1) {
        if (const int digit = DigitKeyValue(virtualKey); digit >= 0) edit.EnterHexDigit(digit);
    }
}

void EditorKeyUp(SongEditor& edit, const EditorKey& key) {
    std::lock_guard lock(edit.mutex);
    auto& held = edit.editor.heldNoteKeys[NoteTableKey(key) & 0xFF];
    // Only the note this key started, and only while it still sounds: a later note in the same
    // slot belongs to another key or to the player.
    if (held.sounding && edit.song.soundingNote[held.channel][held.column] == held.note)
        edit.engine.NoteOff(held.channel, held.column);
    held.sounding = 0;
}

void ShiftOctave(SongEditor& edit, int delta) {
    std::lock_guard lock(edit.mutex);
    const int octave = edit.editor.octave + delta;
    if (octave >= 0 && octave <= 8) edit.editor.octave = octave;
}

void ToggleRecord(SongEditor& edit) {
    std::lock_guard lock(edit.mutex);
    edit.editor.recordMode = !edit.editor.recordMode;
}

}  // namespace tarvel
