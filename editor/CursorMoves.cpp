#include "editor/CursorMoves.h"

#include <algorithm>

#include "editor/EditorBounds.h"

namespace tarvel {

namespace {

constexpr int kLastField = 6;

int WrapTrack(int track) {
    return ((track % kTrackCount) + kTrackCount) % kTrackCount;
}

int ClampSequenceRow(long long row) {
    return static_cast<int>(std::clamp<long long>(row, 0, kSequenceRows - 1));
}

}  // namespace

void SongEditor::MoveCursorLines(int delta) {
    TARVEL_ASSERT_LOCKED(*this);
    const int lineCount = UsableLineCount(song.patterns[CurrentPatternIndex(editor)]);
    const int line =
        static_cast<int>(std::clamp<long long>(0LL + editor.cursorLine + delta, 0, lineCount - 1));
    editor.cursorLine = line;

    const int shownLines = layout.visibleRows;
    int top = editor.firstVisibleLine;
    if (line > top + shownLines - 1) top = line - (shownLines - 1);
    if (line < top) top = line;
    editor.firstVisibleLine = top;
    RaiseUiSignal(kRepaintView);
}

void MoveCursorTrack(SongEditor& edit, int delta) {
    TARVEL_ASSERT_LOCKED(edit);
    EditorState& e = edit.editor;
    const int shownTracks = edit.layout.visibleTracks;
    const int track = WrapTrack(ClampTrack(e.cursorTrack) + delta);
    if (track > e.firstVisibleTrack + shownTracks - 1)
        e.firstVisibleTrack = track - (shownTracks - 1);
    if (track < e.firstVisibleTrack) e.firstVisibleTrack = track;
    e.cursorTrack = track;
    edit.RaiseUiSignal(kRepaintView);
}

void MoveCursorField(SongEditor& edit, int delta) {
    TARVEL_ASSERT_LOCKED(edit);
    EditorState& e = edit.editor;
    const int field = e.cursorField + delta;
    if (field < 0) {
        e.cursorField = kLastField;
        MoveCursorTrack(edit, -1);
    } else if (field > kLastField) {
        e.cursorField = 0;
        MoveCursorTrack(edit, +1);
    } else {
        e.cursorField = field;
    }
    edit.RaiseUiSignal(kRepaintView);
}

void MoveSeqRows(SongEditor& edit, int delta) {
    TARVEL_ASSERT_LOCKED(edit);
    EditorState& e = edit.editor;
    e.seqCursorRow = ClampSequenceRow(0LL + e.seqCursorRow + delta);
    e.seqTopRow = ClampSequenceRow(0LL + e.seqTopRow + delta);
    edit.RaiseUiSignal(kRepaintView);
}

void MoveCurrentChannel(SongEditor& edit, int delta) {
    TARVEL_ASSERT_LOCKED(edit);
    edit.editor.currentChannel = WrapTrack(edit.editor.currentChannel + delta);
    edit.RaiseUiSignal(kRefreshPanel | kRepaintView);
}

}  // namespace tarvel
