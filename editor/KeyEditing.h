// The editor view's keyboard: key-down and key-up on Windows virtual-key codes (VirtualKeys.h),
// and the frame commands that belong to the keys. Window thread; each handler takes the
// document lock for its own edit and asks for a repaint through the window-side signals.
#pragma once

#include "editor/CursorMoves.h"
#include "editor/KeyPositions.h"
#include "editor/SongEditor.h"
#include "editor/VirtualKeys.h"

namespace tarvel {

// `shiftHeld` matters only for Tab. Keys the frame turns into commands never arrive here. The
// note table reads the key's place, every other table its character.
void EditorKeyDown(SongEditor& edit, const EditorKey& key, bool shiftHeld);
// Releases the note that this key started, wherever the cursor and the channel are now. The
// window filters out auto-repeat releases before calling.
void EditorKeyUp(SongEditor& edit, const EditorKey& key);

// A key of a US keyboard, where place and character agree.
inline void EditorKeyDown(SongEditor& edit, int virtualKey, bool shiftHeld) {
    EditorKeyDown(edit, EditorKey{virtualKey, 0}, shiftHeld);
}
inline void EditorKeyUp(SongEditor& edit, int virtualKey) {
    EditorKeyUp(edit, EditorKey{virtualKey, 0});
}

// "Shift octave down" (32779, delta -1) and "Shift octave up" (32780, delta +1): 0..8.
void ShiftOctave(SongEditor& edit, int delta);
// "Record" (32790). The frame checks the menu item while recordMode is set.
void ToggleRecord(SongEditor& edit);

// The key tables. -1: not a key of that table.
int NoteKeyValue(int virtualKey);   // 0..28, kNoteOff or kNoNote
int DigitKeyValue(int virtualKey);  // 0..15 or SongEditor::kDeleteEntry

}  // namespace tarvel
