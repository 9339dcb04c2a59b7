// Undo and redo as commands: one step's bytes back in one hold, then the cursor to where the
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
    return StepHistory(&EditHistory::Undo);
}

bool CFennoralDoc::Redo() {
    return StepHistory(&EditHistory::Redo);
}

bool CFennoralDoc::StepHistory(bool (EditHistory::*step)(EditPlace&)) {
    TakeInputEdits();  // the newest recorded notes are the first to go back
    {
        std::lock_guard lock(mutex);
        EditPlace place;
        if (!(history.*step)(place)) return false;
        ShowEditPlace(edit, place);
        ShowBpm();
    }
    RaiseUiSignal(kRefreshPanel | kRepaintView);
    return true;
}

}  // namespace tarvel
