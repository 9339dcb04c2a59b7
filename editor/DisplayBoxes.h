// Building blocks of the display model, shared by the two panes.
#pragma once

#include "editor/DisplayColours.h"
#include "editor/DisplayModel.h"
#include "editor/EditorLayout.h"

namespace tarvel {

constexpr int RowY(int row) {
    return kFirstRowY + kRowHeight * row;
}

// Appends a box with its text, NUL-terminated.
void AddBox(DisplayModel& model, int x, int y, int width, int height, const BoxColours& colours,
            DisplayFont font, const char* text);
// Room for the longest text of a box and its NUL.
using BoxText = char[kMaxDisplayText + 1];
void AddInvert(DisplayModel& model, int x, int y, int width, int height);

// The blank box that stands for a row with nothing to show.
void AddBlankRow(DisplayModel& model, int x, int y, int width);

// Title and corner boxes: pressed in with white text when the pane has the keyboard.
BoxColours TitleColours(bool focused, Colour focusedFill);
constexpr BoxColours kCornerColours{0xC0D0DF, 0xA0B0BF, kBlack, 0xB0C0CF, false};
constexpr BoxColours kHeaderColours{0xCCDDAA, 0x889966, kBlack, 0xAABB88, false};

// The title and headers when `firstRow` is 0, then the displayed rows firstRow..endRow - 1.
void AddSequencerPane(const SongEditor& edit, DisplayModel& model, int firstRow, int endRow);
void AddPatternPane(const SongEditor& edit, DisplayModel& model, int firstRow, int endRow);

}  // namespace tarvel
