#include "editor/MouseEditing.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "editor/EditorBounds.h"
#include "editor/LiveLaunching.h"
#include "editor/TrackMuting.h"

namespace tarvel {

namespace {

constexpr int kWheelStep = 3;

// Left of it the pattern pane takes the keyboard: four pixels short of the bar, as always.
int PaneSplitX(const EditorLayout& layout) {
    return layout.patternWidth - 4;
}

// Up to here the sequencer's row labels.
int RowLabelsRightX(const EditorLayout& layout) {
    return layout.sequencerX + 32;
}

int SequencerColumnAt(const EditorLayout& layout, int x) {
    return std::clamp((x - SequencerGridX(layout)) / layout.slotWidth, 0, kTrackCount - 1);
}

// Puts the sequencer cursor on the slot under (x, y); false over the row labels, which move
// nothing. Above the rows (the headers) the cursor lands on the top row.
bool PlaceSequencerCursor(const EditorLayout& layout, EditorState& e, int x, int y) {
    if (x <= RowLabelsRightX(layout)) return false;
    e.seqCursorColumn = SequencerColumnAt(layout, x);
    // No upper bound: past row 16383 the slot operations do nothing.
    const long long row = 0LL + e.seqTopRow + 1LL * ((y - kFirstRowY) / kRowHeight) * e.seqStep;
    e.seqCursorRow = static_cast<int>(std::clamp<long long>(row, 0, INT_MAX));
    return true;
}

// A button acts on the slot under the mouse: the cursor goes there first, since the moves that
// led there were ignored while the pattern pane had the keyboard. Over the row labels or the
// headers no slot is under the mouse, and the button writes nothing.
bool PlaceCursorOnClickedSlot(const EditorLayout& layout, EditorState& e, int x, int y) {
    return PlaceSequencerCursor(layout, e, x, y) && y > kFirstRowY;
}

// The channel whose header is under (x, y), or -1.
int HeaderChannelAt(const EditorLayout& layout, int x, int y) {
    if (y < kHeadersTopY || y >= kFirstRowY || x < SequencerGridX(layout)) return -1;
    const int column = (x - SequencerGridX(layout)) / layout.slotWidth;
    return column < kTrackCount ? column : -1;
}

// The field whose cursor rectangle lies nearest to `offset` pixels into a cell.
int FieldAt(int offset) {
    int nearest = 0;
    int nearestDistance = INT_MAX;
    for (int field = 0; field < 7; ++field) {
        const FieldSpan span = kFieldSpans[field];
        const int distance = offset < span.left     ? span.left - offset
                             : offset >= span.right ? offset - span.right + 1
                                                    : 0;
        if (distance < nearestDistance) {
            nearest = field;
            nearestDistance = distance;
        }
    }
    return nearest;
}

struct PatternSpot {
    int track, field, line;
};

// The cell under (x, y) in the pattern pane, kept within the shown tracks and the pattern's
// lines. False left of the cells (line numbers) or above the rows.
bool PatternSpotAt(const SongEditor& edit, int x, int y, PatternSpot& spot) {
    const EditorLayout& layout = edit.layout;
    if (x < kLineNumberWidth || y < kFirstRowY) return false;
    const int shown = std::min((x - kLineNumberWidth) / kCellWidth, layout.visibleTracks - 1);
    const int lineCount = UsableLineCount(edit.song.patterns[CurrentPatternIndex(edit.editor)]);
    const long long line = 0LL + edit.editor.firstVisibleLine + (y - kFirstRowY) / kRowHeight;
    spot.track = FirstShownTrack(edit) + shown;
    spot.field = FieldAt(x - kLineNumberWidth - kCellWidth * shown);
    spot.line = static_cast<int>(std::clamp<long long>(line, 0, lineCount - 1));
    return true;
}

void MarkDraggedBlock(EditorState& e, const EditorMouse& mouse, const PatternSpot& spot) {
    if (spot.track == mouse.anchorTrack && spot.line == mouse.anchorLine && !e.blockMarked)
        return;  // still on the pressed cell: a click, not a drag
    e.blockMarked = 1;
    e.blockStartTrack = std::min(mouse.anchorTrack, spot.track);
    e.blockEndTrack = std::max(mouse.anchorTrack, spot.track);
    e.blockStartLine = std::min(mouse.anchorLine, spot.line);
    e.blockEndLine = std::max(mouse.anchorLine, spot.line);
}

void PressInPatternPane(SongEditor& edit, EditorMouse& mouse, int x, int y) {
    EditorState& e = edit.editor;
    PatternSpot spot{};
    if (!PatternSpotAt(edit, x, y, spot)) return;
    // A click past the pattern's last line would put the cursor where no line is shown.
    if (0LL + e.firstVisibleLine + (y - kFirstRowY) / kRowHeight != spot.line) return;
    e.cursorTrack = spot.track;
    e.cursorField = spot.field;
    e.cursorLine = spot.line;
    mouse.blockDragging = true;
    mouse.anchorTrack = spot.track;
    mouse.anchorLine = spot.line;
    // A new drag starts a new block; until it leaves the cell the old one is gone.
    e.blockMarked = 0;
}

}  // namespace

MouseAction EditorLeftButtonDown(SongEditor& edit, EditorMouse& mouse, int x, int y) {
    std::lock_guard lock(edit.mutex);
    EditorState& e = edit.editor;
    const EditorLayout& layout = edit.layout;
    const int oldFocus = e.sequencerFocus;
    if (x < PaneSplitX(layout)) {
        e.sequencerFocus = 0;
        PressInPatternPane(edit, mouse, x, y);
    } else {
        e.sequencerFocus = 1;
        if (const int channel = HeaderChannelAt(layout, x, y); channel >= 0)
            FlipTrackMute(edit, channel);
        const bool onSlot = PlaceCursorOnClickedSlot(layout, e, x, y);
        // The first click into the sequencer only gives it the keyboard.
        if (!mouse.leftDragging && onSlot && oldFocus == 1) {
            mouse.leftDragging = true;
            edit.PutSequenceSlot();
        }
    }
    edit.RaiseUiSignal(kRepaintView);
    return MouseAction::None;
}

MouseAction EditorRightButtonDown(SongEditor& edit, EditorMouse& mouse, int x, int y) {
    std::lock_guard lock(edit.mutex);
    EditorState& e = edit.editor;
    const EditorLayout& layout = edit.layout;
    edit.RaiseUiSignal(kRepaintView);
    if (x < PaneSplitX(layout)) {
        e.sequencerFocus = 0;
        return MouseAction::OpenEditMenu;
    }
    e.sequencerFocus = 1;
    if (const int channel = HeaderChannelAt(layout, x, y); channel >= 0)
        FlipTrackSolo(edit, channel);
    if (PlaceCursorOnClickedSlot(layout, e, x, y) && !mouse.rightDragging) {
        mouse.rightDragging = true;
        edit.ClearSequenceSlot();
    }
    return MouseAction::None;
}

bool EditorLaunchClick(SongEditor& edit, int x, int y) {
    std::lock_guard lock(edit.mutex);
    EditorState& e = edit.editor;
    const EditorLayout& layout = edit.layout;
    if (x < PaneSplitX(layout) || !edit.player.live.on) return false;
    e.sequencerFocus = 1;
    if (const int channel = HeaderChannelAt(layout, x, y); channel >= 0)
        QueueTrackMuteFlip(edit, channel);
    if (PlaceCursorOnClickedSlot(layout, e, x, y)) LaunchSlotUnderCursor(edit);
    edit.RaiseUiSignal(kRepaintView);
    return true;
}

void EditorLeftButtonUp(EditorMouse& mouse) {
    mouse.leftDragging = false;
    mouse.blockDragging = false;
}

void EditorRightButtonUp(EditorMouse& mouse) {
    mouse.rightDragging = false;
}

void EditorMouseMove(SongEditor& edit, EditorMouse& mouse, int x, int y) {
    std::lock_guard lock(edit.mutex);
    EditorState& e = edit.editor;
    if (mouse.blockDragging) {
        // Past the pane's edges the block reaches the nearest shown cell.
        PatternSpot spot{};
        if (PatternSpotAt(edit, std::max(x, kLineNumberWidth), std::max(y, kFirstRowY), spot)) {
            MarkDraggedBlock(e, mouse, spot);
            edit.RaiseUiSignal(kRepaintView);
        }
        return;
    }
    if (e.sequencerFocus == 0 || !PlaceSequencerCursor(edit.layout, e, x, y)) return;

    if (mouse.leftDragging) edit.PutSequenceSlot();
    if (mouse.rightDragging) edit.ClearSequenceSlot();
    edit.RaiseUiSignal(kRepaintView);
}

void EditorWheel(SongEditor& edit, int x, int, int notches) {
    std::lock_guard lock(edit.mutex);
    EditorState& e = edit.editor;
    const EditorLayout& layout = edit.layout;
    const long long delta = -1LL * kWheelStep * std::clamp(notches, -1000, 1000);
    if (x < PaneSplitX(layout)) {
        const int lineCount = UsableLineCount(edit.song.patterns[CurrentPatternIndex(e)]);
        const int lastTop = std::max(lineCount - layout.visibleRows, 0);
        e.firstVisibleLine =
            static_cast<int>(std::clamp<long long>(e.firstVisibleLine + delta, 0, lastTop));
    } else {
        e.seqTopRow = static_cast<int>(
            std::clamp<long long>(e.seqTopRow + delta * SequencerStep(e), 0, kSequenceRows - 1));
    }
    edit.RaiseUiSignal(kRepaintView);
}

}  // namespace tarvel
