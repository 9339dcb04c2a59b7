// The editor view's mouse, in client pixels. A click decides which pane has the keyboard
// (x < 300: the pattern pane); in the sequencer each button acts on the slot under the mouse: the
// left button paints the current pattern into it and into the slots it crosses, the right button
// erases them. Window thread; each handler takes the document lock for its own edit and asks for
// a repaint through the window-side signals.
#pragma once

#include "editor/SongEditor.h"

namespace tarvel {

// The view's two drag flags, set between a button's down and up messages.
struct EditorMouse {
    bool leftDragging = false;
    bool rightDragging = false;
};

enum class MouseAction {
    None,
    OpenEditMenu,  // show the frame's Edit menu as a context menu at the mouse
};

MouseAction EditorLeftButtonDown(SongEditor& doc, EditorMouse& mouse, int x, int y);
MouseAction EditorRightButtonDown(SongEditor& doc, EditorMouse& mouse, int x, int y);
void EditorLeftButtonUp(EditorMouse& mouse);
void EditorRightButtonUp(EditorMouse& mouse);
void EditorMouseMove(SongEditor& doc, EditorMouse& mouse, int x, int y);

}  // namespace tarvel
