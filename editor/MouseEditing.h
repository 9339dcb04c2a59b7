// The editor view's mouse, in client pixels. A click decides which pane has the keyboard (left of
// the bar, less four pixels: the pattern pane). In the pattern pane the left button puts the
// edit cursor on the track, field and line under the mouse, and a drag from there marks a
// block. In the sequencer each button acts on the slot under the mouse: the left button paints
// the current pattern into it and into the slots it crosses, the right button erases them; on a
// column's header the left button mutes the track and the right button solos it. The wheel
// scrolls the pane under the mouse. Window thread; each handler takes the document lock for its
// own edit and asks for a repaint through the window-side signals.
#pragma once

#include "editor/SongEditor.h"

namespace tarvel {

// The view's drag flags, set between a button's down and up messages, and where a block drag
// in the pattern pane began.
struct EditorMouse {
    bool leftDragging = false;
    bool rightDragging = false;
    bool blockDragging = false;
    int anchorTrack = 0;
    int anchorLine = 0;
};

enum class MouseAction {
    None,
    OpenEditMenu,  // show the frame's Edit menu as a context menu at the mouse
};

MouseAction EditorLeftButtonDown(SongEditor& edit, EditorMouse& mouse, int x, int y);
MouseAction EditorRightButtonDown(SongEditor& edit, EditorMouse& mouse, int x, int y);
// Ctrl and the left button in the sequencer in live mode: the slot under the mouse is launched,
// or on a column's header the track's mute flips at its next boundary. Nothing is written.
// False out of live mode or in the pattern pane, where the click is an ordinary one.
bool EditorLaunchClick(SongEditor& edit, int x, int y);
void EditorLeftButtonUp(EditorMouse& mouse);
void EditorRightButtonUp(EditorMouse& mouse);
void EditorMouseMove(SongEditor& edit, EditorMouse& mouse, int x, int y);
// `notches` > 0 when the wheel turns away from the musician: the pane scrolls up, three lines
// (or three displayed sequencer lines) a notch. The cursors stay where they are.
void EditorWheel(SongEditor& edit, int x, int y, int notches);

}  // namespace tarvel
