#include "editor/MouseEditing.h"

#include <algorithm>
#include <climits>
#include <mutex>

namespace tarvel {

namespace {

constexpr int kPaneSplitX = 300;      // left of it the pattern pane takes the keyboard
constexpr int kSequencerGridX = 344;  // left edge of slot column 0
constexpr int kSlotWidth = 28;
constexpr int kRowsTopY = 24;
constexpr int kRowHeight = 12;

}  // namespace

MouseAction EditorLeftButtonDown(SongEditor& doc, EditorMouse& mouse, int x, int y) {
    std::lock_guard lock(doc.mutex);
    EditorState& e = doc.editor;
    const int oldFocus = e.sequencerFocus;
    if (x < kPaneSplitX) {
        e.sequencerFocus = 0;
    } else {
        e.sequencerFocus = 1;
        // The first click into the sequencer only gives it the keyboard.
        if (!mouse.leftDragging && y > kRowsTopY && oldFocus == 1) {
            mouse.leftDragging = true;
            doc.PutSequenceSlot();
        }
    }
    doc.RaiseUiSignal(kRepaintView);
    return MouseAction::None;
}

MouseAction EditorRightButtonDown(SongEditor& doc, EditorMouse& mouse, int x, int /*y*/) {
    std::lock_guard lock(doc.mutex);
    EditorState& e = doc.editor;
    doc.RaiseUiSignal(kRepaintView);
    if (x < kPaneSplitX) {
        e.sequencerFocus = 0;
        return MouseAction::OpenEditMenu;
    }
    e.sequencerFocus = 1;
    if (!mouse.rightDragging) {
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
    if (x <= 340 || e.sequencerFocus == 0) return;

    e.seqCursorColumn = std::clamp((x - kSequencerGridX) / kSlotWidth, 0, kTrackCount - 1);
    // No upper bound: past row 16383 the slot operations do nothing.
    const long long row = 0LL + e.seqTopRow + 1LL * ((y - kRowsTopY) / kRowHeight) * e.seqStep;
    e.seqCursorRow = static_cast<int>(std::clamp<long long>(row, 0, INT_MAX));

    if (mouse.leftDragging) doc.PutSequenceSlot();
    if (mouse.rightDragging) doc.ClearSequenceSlot();
    doc.RaiseUiSignal(kRepaintView);
}

}  // namespace tarvel
