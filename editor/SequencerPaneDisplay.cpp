// The sequencer pane: 16 columns of slots, 25 displayed lines of seqStep rows each.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "editor/DisplayBoxes.h"
#include "editor/EditorBounds.h"

namespace tarvel {

namespace {

constexpr int kPaneX = 308;
constexpr int kPaneWidth = 484;
constexpr int kLabelWidth = 36;
constexpr int kGridX = 344;
constexpr int kSlotWidth = 28;
constexpr int kPlayLineWidth = 802 - kPaneX;

const char* ProgramName(const Song& song, int channel) {
    return song.patchNames[song.channelProgram[channel]];
}

// A pattern still called "empty" shows its number, as does a number past the pattern table.
void WriteSlotText(char* out, const Song& song, int pattern) {
    if (pattern < kPatternCount) {
        const char* name = song.patterns[pattern].name;
        if (std::strncmp(name, "empty", 6) != 0) {
            WriteBounded(out, name, 6);
            return;
        }
    }
    WriteDecimal(out, pattern, 1);
}

void AddTitle(const SongEditor& doc, DisplayModel& model) {
    const EditorState& e = doc.editor;
    const int patternIndex = CurrentPatternIndex(e);
    const Pattern& pattern = doc.song.patterns[patternIndex];
    const int column = ClampTrack(e.seqCursorColumn);
    DisplayItem& title = AddBox(model, kPaneX, 0, kPaneWidth, kRowHeight,
                                TitleColours(e.sequencerFocus == 1, 0x90A0BF), DisplayFont::Large);
    std::snprintf(title.text, sizeof title.text,
                  "SEQ >> P: [%.2x] %.*s >> L: %.3d >> CH: %.2d >> [%.16s] >> TRP: %d",
                  patternIndex, static_cast<int>(BoundedLength(pattern.name)), pattern.name,
                  pattern.lineCount, column + 1, ProgramName(doc.song, column), e.insertTranspose);
}

void AddColumnHeaders(const SongEditor& doc, DisplayModel& model) {
    constexpr BoxColours kCurrentChannel{0x5C70AA, 0x587066, kWhite, 0x5A7088, false};
    for (int c = 0; c < kTrackCount; ++c) {
        const BoxColours& colours =
            c == doc.editor.currentChannel ? kCurrentChannel : kHeaderColours;
        DisplayItem& header = AddBox(model, kGridX + kSlotWidth * c, 12, kSlotWidth, kRowHeight,
                                     colours, DisplayFont::Small);
        WriteBounded(header.text, ProgramName(doc.song, c), 6);
    }
}

void AddSlotRow(const SongEditor& doc, DisplayModel& model, int y, int row, int step) {
    const EditorState& e = doc.editor;
    const int playRow = doc.player.playRow;
    const bool playing = row <= playRow && playRow < 0LL + row + step;
    const bool inLoop = e.loopStartRow <= row && row <= 0LL + e.loopEndRow - 1;
    const bool cursorRow = row == e.seqCursorRow;

    DisplayItem& label =
        AddBox(model, kPaneX, y, kLabelWidth, kRowHeight,
               SequencerRowLabelColours(playing, cursorRow, inLoop), DisplayFont::Large);
    WriteDecimal(label.text, row, 5);

    for (int c = 0; c < kTrackCount; ++c) {
        const SequenceSlot& slot = doc.song.sequence[row][c];
        const int x = kGridX + kSlotWidth * c;
        const bool empty = slot.pattern == kEmptySlot;
        const SlotPlace place{row,
                              step,
                              c,
                              empty,
                              slot.reserved,
                              c == e.seqCursorColumn,
                              c == e.currentChannel,
                              inLoop,
                              cursorRow,
                              playing};
        DisplayItem& box = AddBox(model, x, y, kSlotWidth, kRowHeight, SequencerSlotColours(place),
                                  DisplayFont::Small);
        if (empty)
            WriteBounded(box.text, " ... ", 5);
        else
            WriteSlotText(box.text, doc.song, slot.pattern);

        if (slot.transpose != 0) {
            DisplayItem& badge =
                AddBox(model, x + 12, y + 3, 16, 9, {kWhite, kBlack, kBlack, 0x44FFFF, false},
                       DisplayFont::Small);
            WriteDecimal(badge.text, slot.transpose, 2);
        }
    }
    // A two-pixel line at the play row's place within the displayed line.
    if (playing) {
        const long long offset = (0LL + playRow - row) * kRowHeight / step;
        AddInvert(model, kPaneX, y + static_cast<int>(offset), kPlayLineWidth, 2);
    }
}

}  // namespace

void AddSequencerPane(const SongEditor& doc, DisplayModel& model) {
    const EditorState& e = doc.editor;
    const int step = SequencerStep(e);

    AddTitle(doc, model);
    DisplayItem& corner =
        AddBox(model, kPaneX, 12, kLabelWidth, kRowHeight, kCornerColours, DisplayFont::Large);
    WriteBounded(corner.text, "Line", 4);
    AddColumnHeaders(doc, model);

    for (int i = 0; i < kDisplayRows; ++i) {
        const int y = RowY(i);
        const long long row = 0LL + e.seqTopRow + 1LL * i * step;
        if (row < 0 || row >= kSequenceRows)
            AddBlankRow(model, 364, y, 420);
        else
            AddSlotRow(doc, model, y, static_cast<int>(row), step);
    }
}

}  // namespace tarvel
