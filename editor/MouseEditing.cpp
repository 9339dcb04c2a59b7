#include "editor/MouseEditing.h"

#include <algorithm>
#include <climits>
#include <mutex>

namespace tarvel {

namespace {

constexpr int kPaneSplitX = 300;       // left of it the pattern pane takes the keyboard
constexpr int kRowLabelsRightX = 340;  // up to here the sequencer's row labels
constexpr int kSequencerGridX = 344;   // left edge of slot column 0
constexpr int kSlotWidth = 28;
constexpr int kRowsTopY = 24;
constexpr int kRowHeight = 12;

// Puts the sequencer cursor on the slot under (x, y); false over the row labels, which move
// nothing. Above the rows (the headers) the cursor lands on the top row.
bool PlaceSequencerCursor(EditorState& e, int x, int y) {
    if (x <= kRowLabelsRightX) return false;
    e.seqCursorColumn = std::clamp((x - kSequencerGridX) / kSlotWidth, 0, kTrackCount - 1);
    // No upper bound: past row 16383 the slot operations do nothing.
    const long long row = 0LL + e.seqTopRow + 1LL * ((y - kRowsTopY) / kRowHeight) * e.seqStep;
    e.seqCursorRow = static_cast<int>(std::clamp<long long>(row, 0, INT_MAX));
    return true;
}

// A button acts on the slot under the mouse: the cursor goes there first, since the moves that
// led there were ignored while the pattern pane had the keyboard. Over the row labels or the
// headers no slot is under the mouse, and the button writes nothing.
bool PlaceCursorOnClickedSlot(EditorState& e, int x, int y) {
    return PlaceSequencerCursor(e, x, y) && y > kRowsTopY;
}

}  // namespace

MouseAction EditorLeftButtonDown(SongEditor& doc, EditorMouse& mouse, int x, int y) {
    std::lock_guard lock(doc.mutex);
    EditorState& e = doc.editor;
    const int oldFocus = e.sequencerFocus;
    if (x < kPaneSplitX) {
        e.sequencerFocus = 0;
    } else {
        e.sequencerFocus = 1;
        const bool onSlot = PlaceCursorOnClickedSlot(e, x, y);
        // The first click into the sequencer only gives it the keyboard.
        if (!mouse.leftDragging && onSlot && oldFocus == 1) {
            mouse.leftDragging = true;
            doc.PutSequenceSlot();
        }
    }
    doc.RaiseUiSignal(kRepaintView);
    return MouseAction::None;
}

MouseAction EditorRightButtonDown(SongEditor& doc, EditorMouse& mouse, int x, int y) {
    std::lock_guard lock(doc.mutex);
    EditorState& e = doc.editor;
    doc.RaiseUiSignal(kRepaintView);
    if (x < kPaneSplitX) {
        e.sequencerFocus = 0;
        return MouseAction::OpenEditMenu;
    }
    e.sequencerFocus = 1;
    if (PlaceCursorOnClickedSlot(e, x, y) && !mouse.rightDragging) {
        mouse.rightDragging = true;
        doc.ClearSequenceSlot();
    }
    return MouseAction::None;
}

void EditorLeftButtonUp(EditorMouse& mouse) {
    mouse.leftDragging = false;
}

void EditorRightButtonUp(EditorMouse& mouse) {
    mouse.rightDragging = false;
}

void EditorMouseMove(SongEditor& doc, EditorMouse& mouse, int x, int y) {
    std::lock_guard lock(doc.mutex);
    EditorState& e = doc.editor;
    if (e.sequencerFocus == 0 || !PlaceSequencerCursor(e, x, y)) return;

    if (mouse.leftDragging) doc.PutSequenceSlot();
    if (mouse.rightDragging) doc.ClearSequenceSlot();
    doc.RaiseUiSignal(kRepaintView);
}

}  // namespace tarvel
