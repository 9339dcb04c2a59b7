// Where the editor's indices meet the fixed tables. The cursors stay in range by construction,
// but a damaged song can carry any line count or slot pattern, so every read or write of a
// table through an editor index goes through these clamps.
#pragma once

#include <algorithm>

#include "editor/SongEditor.h"

namespace tarvel {

// The pattern being edited, always a valid index into song.patterns.
inline int CurrentPatternIndex(const EditorState& editor) {
    return std::clamp(editor.currentPattern, 0, kPatternCount - 1);
}

// The line count as far as the 256 lines of the record reach; at least one line.
inline int UsableLineCount(const Pattern& pattern) {
    const int lineCount = pattern.lineCount;  // a copy: the record is packed
    return std::clamp(lineCount, 1, kPatternLines);
}

// Sequencer rows per displayed line; a step below 1 would divide by zero.
inline int SequencerStep(const EditorState& editor) {
    return std::max(editor.seqStep, 1);
}

// The pattern pane's leftmost track: a window made wider may show tracks from an earlier start.
inline int FirstShownTrack(const SongEditor& edit) {
    return std::clamp(edit.editor.firstVisibleTrack, 0, kTrackCount - edit.layout.visibleTracks);
}

inline int ClampTrack(int track) {
    return std::clamp(track, 0, kTrackCount - 1);
}

inline int ClampLine(int line) {
    return std::clamp(line, 0, kPatternLines - 1);
}

// The cell at (currentPattern, cursorLine, cursorTrack).
inline PatternCell& CellUnderCursor(SongEditor& edit) {
    const EditorState& e = edit.editor;
    return edit.song.patterns[CurrentPatternIndex(e)]
        .cells[ClampLine(e.cursorLine)][ClampTrack(e.cursorTrack)];
}

inline const PatternCell& CellUnderCursor(const SongEditor& edit) {
    const EditorState& e = edit.editor;
    return edit.song.patterns[CurrentPatternIndex(e)]
        .cells[ClampLine(e.cursorLine)][ClampTrack(e.cursorTrack)];
}

}  // namespace tarvel
