// The pattern pane: as many tracks of the current pattern and as many lines as the layout
// shows (four and 25 at the least), with the bar beside it.
#include <algorithm>
#include <cstdio>

#include "editor/DisplayBoxes.h"
#include "editor/EditorBounds.h"

namespace tarvel {

namespace {

bool InBlock(const EditorState& e, int track, int line) {
    return e.blockMarked && e.blockStartTrack <= track && track <= e.blockEndTrack &&
           e.blockStartLine <= line && line <= e.blockEndLine;
}

}  // namespace

void AddPatternPane(const SongEditor& edit, DisplayModel& model, int firstRow, int endRow) {
    const EditorState& e = edit.editor;
    const EditorLayout& layout = edit.layout;
    const int paneWidth = layout.patternWidth;
    const int shownTracks = layout.visibleTracks;
    const int patternIndex = CurrentPatternIndex(e);
    const Pattern& pattern = edit.song.patterns[patternIndex];
    const int firstTrack = FirstShownTrack(edit);
    // Lines past the record's 256 show blank, like lines past the count.
    const int lineCount = pattern.lineCount;
    const int shownLines = std::min(lineCount, kPatternLines);
    const bool patternPlaying = edit.player.playMode == kPatternMode;

    if (firstRow == 0) {
        BoxText title;
        std::snprintf(title, sizeof title, "Pattern editor: [%.2X] %.*s", patternIndex,
                      static_cast<int>(BoundedLength(pattern.name)), pattern.name);
        AddBox(model, 0, 0, paneWidth, kRowHeight, TitleColours(e.sequencerFocus == 0, 0x80A0BF),
               DisplayFont::Large, title);

        AddBox(model, 0, 12, kLineNumberWidth, kRowHeight, kCornerColours, DisplayFont::Large,
               "Lin");

        // The bar reaches two rows past the last one, as it always has.
        AddBox(model, paneWidth, 0, kBarWidth, RowY(layout.visibleRows) + 2 * kRowHeight,
               {kWhite, kBlack, kBlack, 0xB0B0B0, false}, DisplayFont::Large, "");

        for (int k = 0; k < shownTracks; ++k) {
            BoxText header;
            WriteDecimal(WriteBounded(header, "Track ", 6), firstTrack + k, 3);
            AddBox(model, kLineNumberWidth + kCellWidth * k, 12, kCellWidth, kRowHeight,
                   kHeaderColours, DisplayFont::Large, header);
        }
    }

    for (int row = firstRow; row < std::min(endRow, layout.visibleRows); ++row) {
        const int y = RowY(row);
        const int line = e.firstVisibleLine + row;
        if (line < 0 || line >= shownLines) {
            AddBlankRow(model, 0, y, paneWidth);
            continue;
        }
        BoxText number;
        WriteDecimal(number, line, 3);
        AddBox(model, 0, y, kLineNumberWidth, kRowHeight,
               {0xEEEEEE, 0xAAAAAA, kBlack, 0xCCCCCC, false}, DisplayFont::Large, number);

        const bool onCursorLine = line == e.cursorLine;
        const bool onPlayLine = patternPlaying && line == edit.player.patternLine;
        for (int k = 0; k < shownTracks; ++k) {
            const int track = firstTrack + k;
            const int x = kLineNumberWidth + kCellWidth * k;
            const bool onCursor = onCursorLine && track == e.cursorTrack;
            const CellPlace place{line,         track,    InBlock(e, track, line),
                                  onCursorLine, onCursor, onPlayLine};
            BoxText cell;
            WriteCellText(cell, pattern.cells[line][track]);
            AddBox(model, x, y, kCellWidth, kRowHeight, PatternCellColours(place),
                   DisplayFont::Large, cell);
            if (onCursor && e.cursorField >= 0 && e.cursorField <= 6) {
                const FieldSpan span = kFieldSpans[e.cursorField];
                AddInvert(model, x + span.left, y, span.right - span.left, kRowHeight);
            }
        }
    }
}

}  // namespace tarvel
