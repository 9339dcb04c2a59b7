// Undo and redo as commands: one step's bytes back in short holds, then the cursor to where the
// edit was, so the user sees what came back.
#include <mutex>

#include "document/FennoralDoc.h"
#include "editor/CursorMoves.h"

namespace tarvel {

namespace {

void ShowEditPlace(SongEditor& edit, const EditPlace& place) {
    EditorState& e = edit.editor;
    if (place.pattern != e.currentPattern)
        edit.StepCurrentPattern(place.pattern - e.currentPattern);
    edit.MoveCursorLines(place.line - e.cursorLine);
    if (place.track != e.cursorTrack) MoveCursorTrack(edit, place.track - e.cursorTrack);
    MoveSeqRows(edit, place.seqRow - e.seqCursorRow);
    if (place.seqColumn >= 0 && place.seqColumn < kTrackCount) e.seqCursorColumn = place.seqColumn;
}

}  // namespace

bool CFennoralDoc::Undo() {
    return StepHistory(&EditHistory::StartUndo);
}

bool CFennoralDoc::Redo() {
    return StepHistory(&EditHistory::StartRedo);
}

bool CFennoralDoc::StepHistory(bool (EditHistory::*start)()) {
    TakeInputEdits();  // the newest recorded notes are the first to go back
    {
        std::lock_guard lock(mutex);
        if (!(history.*start)()) return false;
    }
    // The player plays on between the pieces; the window thread, the only editor, waits.
    for (bool written = false; !written;) {
        std::lock_guard lock(mutex);
        EditPlace place;
        written = history.WriteSome(kHistoryBytesPerHold, place);
        if (!written) continue;
        ShowEditPlace(edit, place);
        ShowBpm();
    }
    RaiseUiSignal(kRefreshPanel | kRepaintView);
    return true;
}

}  // namespace tarvel
