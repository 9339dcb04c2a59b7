#include "editor/BlockCommands.h"

#include <algorithm>
#include <mutex>

#include "editor/EditorBounds.h"

namespace tarvel {

namespace {

// The loop marks fall on the first row of the displayed sequencer line under the cursor.
int SequencerLineStart(const EditorState& e) {
    const int step = SequencerStep(e);
    return (e.seqCursorRow / step) * step;
}

// The marked block within the pattern record, whatever the bounds say.
struct BlockRange {
    int firstTrack, lastTrack, firstLine, lastLine;
};

BlockRange MarkedBlock(const EditorState& e) {
    return {ClampTrack(e.blockStartTrack), ClampTrack(e.blockEndTrack), ClampLine(e.blockStartLine),
            ClampLine(e.blockEndLine)};
}

void CopyMarkedBlock(SongEditor& edit) {
    EditorState& e = edit.editor;
    const Pattern& pattern = edit.song.patterns[CurrentPatternIndex(e)];
    const BlockRange block = MarkedBlock(e);
    for (int line = block.firstLine; line <= block.lastLine; ++line)
        for (int track = block.firstTrack; track <= block.lastTrack; ++track)
            e.blockClipboard.cells[line - block.firstLine][track - block.firstTrack] =
                pattern.cells[line][track];
    e.clipboardWidth = std::max(0, block.lastTrack - block.firstTrack + 1);
    e.clipboardHeight = std::max(0, block.lastLine - block.firstLine + 1);
    e.clipboardValid = 1;
}

}  // namespace

void MarkBlockStart(SongEditor& edit) {
    std::lock_guard lock(edit.mutex);
    EditorState& e = edit.editor;
    if (e.sequencerFocus == 0) {
        e.blockMarked = 1;
        e.blockStartTrack = e.cursorTrack;
        e.blockStartLine = e.cursorLine;
        if (e.cursorTrack > e.blockEndTrack) e.blockEndTrack = e.cursorTrack;
        if (e.cursorLine > e.blockEndLine) e.blockEndLine = e.cursorLine;
    } else {
        const int row = SequencerLineStart(e);
        e.loopStartRow = row;
        if (e.loopEndRow < row) e.loopEndRow = row;
    }
    edit.RaiseUiSignal(kRepaintView);
}

void MarkBlockEnd(SongEditor& edit) {
    std::lock_guard lock(edit.mutex);
    EditorState& e = edit.editor;
    if (e.sequencerFocus == 0) {
        e.blockMarked = 1;
        e.blockEndTrack = e.cursorTrack;
        e.blockEndLine = e.cursorLine;
        if (e.cursorTrack < e.blockStartTrack) e.blockStartTrack = e.cursorTrack;
        if (e.cursorLine < e.blockStartLine) e.blockStartLine = e.cursorLine;
    } else {
        // The end row is the first row after the loop.
        const int row = SequencerLineStart(e);
        e.loopEndRow = row;
        if (e.loopStartRow > row) e.loopStartRow = row;
    }
    edit.RaiseUiSignal(kRepaintView);
}

void CopyBlock(SongEditor& edit) {
    std::lock_guard lock(edit.mutex);
    CopyMarkedBlock(edit);  // nothing on screen changes
}

void CutBlock(SongEditor& edit) {
    std::lock_guard lock(edit.mutex);
    CopyMarkedBlock(edit);
    Pattern& pattern = edit.song.patterns[CurrentPatternIndex(edit.editor)];
    const BlockRange block = MarkedBlock(edit.editor);
    for (int line = block.firstLine; line <= block.lastLine; ++line)
        for (int track = block.firstTrack; track <= block.lastTrack; ++track)
            pattern.cells[line][track] = kEmptyCell;
    edit.RaiseUiSignal(kRepaintView);
}

void PasteBlock(SongEditor& edit) {
    std::lock_guard lock(edit.mutex);
    const EditorState& e = edit.editor;
    if (!e.clipboardValid) return;
    Pattern& pattern = edit.song.patterns[CurrentPatternIndex(e)];
    // Bounded by the pattern record, not by its line count: lines past the count are kept for
    // when the pattern grows.
    const int height = std::min(e.clipboardHeight, kPatternLines);
    const int width = std::min(e.clipboardWidth, kTrackCount);
    for (int i = 0; i < height; ++i) {
        const int line = e.cursorLine + i;
        if (line < 0 || line >= kPatternLines) continue;
        for (int j = 0; j < width; ++j) {
            const int track = e.cursorTrack + j;
            if (track < 0 || track >= kTrackCount) continue;
            pattern.cells[line][track] = e.blockClipboard.cells[i][j];
        }
    }
    edit.RaiseUiSignal(kRepaintView);
}

bool IsEditCommandEnabled(const SongEditor& edit, EditCommand command) {
    switch (command) {
        case EditCommand::MarkBlockStart:
        case EditCommand::MarkBlockEnd:
            return true;
        case EditCommand::Cut:
        case EditCommand::Copy:
        case EditCommand::InterpolateVelocity:
        case EditCommand::InterpolateParameter:
            return edit.editor.blockMarked != 0;
        case EditCommand::Paste:
            return edit.editor.clipboardValid != 0;
    }
    return false;
}

bool RunEditCommand(SongEditor& edit, EditCommand command) {
    if (!IsEditCommandEnabled(edit, command)) return false;
    switch (command) {
        case EditCommand::MarkBlockStart:
            MarkBlockStart(edit);
            break;
        case EditCommand::MarkBlockEnd:
            MarkBlockEnd(edit);
            break;
        case EditCommand::Cut:
            CutBlock(edit);
            break;
        case EditCommand::Copy:
            CopyBlock(edit);
            break;
        case EditCommand::Paste:
            PasteBlock(edit);
            break;
        case EditCommand::InterpolateVelocity:
            InterpolateVelocity(edit);
            break;
        case EditCommand::InterpolateParameter:
            InterpolateParameter(edit);
            break;
    }
    return true;
}

}  // namespace tarvel
