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

void MoveCursorTrack(SongEditor& doc, int delta) {
    TARVEL_ASSERT_LOCKED(doc);
    EditorState& e = doc.editor;
    const int shownTracks = doc.layout.visibleTracks;
    const int track = WrapTrack(ClampTrack(e.cursorTrack) + delta);
    if (track > e.firstVisibleTrack + shownTracks - 1)
        e.firstVisibleTrack = track - (shownTracks - 1);
    if (track < e.firstVisibleTrack) e.firstVisibleTrack = track;
    e.cursorTrack = track;
    doc.RaiseUiSignal(kRepaintView);
}

void MoveCursorField(SongEditor& doc, int delta) {
    TARVEL_ASSERT_LOCKED(doc);
    EditorState& e = doc.editor;
    const int field = e.cursorField + delta;
    if (field < 0) {
        e.cursorField = kLastField;
        MoveCursorTrack(doc, -1);
    } else if (field > kLastField) {
        e.cursorField = 0;
        MoveCursorTrack(doc, +1);
    } else {
        e.cursorField = field;
    }
    doc.RaiseUiSignal(kRepaintView);
}

void MoveSeqRows(SongEditor& doc, int delta) {
    TARVEL_ASSERT_LOCKED(doc);
    EditorState& e = doc.editor;
    e.seqCursorRow = ClampSequenceRow(0LL + e.seqCursorRow + delta);
    e.seqTopRow = ClampSequenceRow(0LL + e.seqTopRow + delta);
    doc.RaiseUiSignal(kRepaintView);
}

void MoveCurrentChannel(SongEditor& doc, int delta) {
    TARVEL_ASSERT_LOCKED(doc);
    doc.editor.currentChannel = WrapTrack(doc.editor.currentChannel + delta);
    doc.RaiseUiSignal(kRefreshPanel | kRepaintView);
}

}  // namespace tarvel
