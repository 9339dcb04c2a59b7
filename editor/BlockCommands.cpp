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

void CopyMarkedBlock(CFennoralDoc& doc) {
    EditorState& e = doc.editor;
    const Pattern& pattern = doc.song.patterns[CurrentPatternIndex(e)];
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

void MarkBlockStart(CFennoralDoc& doc) {
    std::lock_guard lock(doc.mutex);
    EditorState& e = doc.editor;
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
    doc.RaiseUiSignal(CFennoralDoc::kRepaintView);
}

void MarkBlockEnd(CFennoralDoc& doc) {
    std::lock_guard lock(doc.mutex);
    EditorState& e = doc.editor;
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
    doc.RaiseUiSignal(CFennoralDoc::kRepaintView);
}

void CopyBlock(CFennoralDoc& doc) {
    std::lock_guard lock(doc.mutex);
    CopyMarkedBlock(doc);  // nothing on screen changes
}

void CutBlock(CFennoralDoc& doc) {
    std::lock_guard lock(doc.mutex);
    CopyMarkedBlock(doc);
    Pattern& pattern = doc.song.patterns[CurrentPatternIndex(doc.editor)];
    const BlockRange block = MarkedBlock(doc.editor);
    for (int line = block.firstLine; line <= block.lastLine; ++line)
        for (int track = block.firstTrack; track <= block.lastTrack; ++track)
            pattern.cells[line][track] = kEmptyCell;
    doc.RaiseUiSignal(CFennoralDoc::kRepaintView);
}

void PasteBlock(CFennoralDoc& doc) {
    std::lock_guard lock(doc.mutex);
    const EditorState& e = doc.editor;
    if (!e.clipboardValid) return;
    Pattern& pattern = doc.song.patterns[CurrentPatternIndex(e)];
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
    doc.RaiseUiSignal(CFennoralDoc::kRepaintView);
}

bool IsEditCommandEnabled(const CFennoralDoc& doc, int commandId) {
    switch (commandId) {
        case cmd::kMarkBlockStart:
        case cmd::kMarkBlockEnd:
            return true;
        case cmd::kEditCut:
        case cmd::kEditCopy:
        case cmd::kInterpolateVelocity:
        case cmd::kInterpolateParameter:
            return doc.editor.blockMarked != 0;
        case cmd::kEditPaste:
            return doc.editor.clipboardValid != 0;
        default:
            return false;
    }
}

bool RunEditCommand(CFennoralDoc& doc, int commandId) {
    if (!IsEditCommandEnabled(doc, commandId)) return false;
    switch (commandId) {
        case cmd::kMarkBlockStart:
            MarkBlockStart(doc);
            break;
        case cmd::kMarkBlockEnd:
            MarkBlockEnd(doc);
            break;
        case cmd::kEditCut:
            CutBlock(doc);
            break;
        case cmd::kEditCopy:
            CopyBlock(doc);
            break;
        case cmd::kEditPaste:
            PasteBlock(doc);
            break;
        case cmd::kInterpolateVelocity:
            InterpolateVelocity(doc);
            break;
        case cmd::kInterpolateParameter:
            InterpolateParameter(doc);
            break;
        default:
            return false;
    }
    return true;
}

}  // namespace tarvel
