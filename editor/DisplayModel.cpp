#include "editor/DisplayModel.h"

#include <algorithm>
#include <cstring>

#include "editor/DisplayBoxes.h"

namespace tarvel {

namespace {

// Rows per part: a part is a few hundred boxes, tens of microseconds of building at most.
constexpr int kSequencerRowsPerPart = 12;
constexpr int kPatternRowsPerPart = 12;

int PartsOf(int rows, int rowsPerPart) {
    return (rows + rowsPerPart - 1) / rowsPerPart;
}

DisplayItem& AddItem(DisplayModel& model, DisplayItem::Kind kind, int x, int y, int width,
                     int height) {
    DisplayItem& item = model.items.emplace_back();
    item.kind = kind;
    item.x = static_cast<std::int16_t>(x);
    item.y = static_cast<std::int16_t>(y);
    item.width = static_cast<std::int16_t>(width);
    item.height = static_cast<std::int16_t>(height);
    item.textAt = static_cast<std::uint32_t>(model.characters.size());
    return item;
}

}  // namespace

void SetText(DisplayModel& model, DisplayItem& item, const char* text) {
    const std::size_t length = strnlen(text, kMaxDisplayText);
    item.textAt = static_cast<std::uint32_t>(model.characters.size());
    item.textLength = static_cast<std::uint8_t>(length);
    model.characters.insert(model.characters.end(), text, text + length);
}

void AddBox(DisplayModel& model, int x, int y, int width, int height, const BoxColours& colours,
            DisplayFont font, const char* text) {
    DisplayItem& item = AddItem(model, DisplayItem::Kind::Box, x, y, width, height);
    item.light = colours.light;
    item.dark = colours.dark;
    item.textColour = colours.text;
    item.fill = colours.fill;
    item.font = font;
    item.sunken = colours.sunken;
    SetText(model, item, text);
}

void AddInvert(DisplayModel& model, int x, int y, int width, int height) {
    AddItem(model, DisplayItem::Kind::Invert, x, y, width, height);
}

void AddBlankRow(DisplayModel& model, int x, int y, int width) {
    AddBox(model, x, y, width, kRowHeight, kCornerColours, DisplayFont::Large, " ");
}

BoxColours TitleColours(bool focused, Colour focusedFill) {
    return focused ? BoxColours{kBlack, kWhite, kWhite, focusedFill, true}
                   : BoxColours{kWhite, kBlack, kBlack, 0xB0C0DF, false};
}

void BuildDisplayModel(const SongEditor& edit, DisplayModel& model) {
    const int parts = DisplayModelParts(edit);
    for (int part = 0; part < parts; ++part) BuildDisplayModelPart(edit, model, part);
}

int DisplayModelParts(const SongEditor& edit) {
    TARVEL_ASSERT_LOCKED(edit);
    const int rows = edit.layout.visibleRows;
    return PartsOf(rows, kSequencerRowsPerPart) + std::max(1, PartsOf(rows, kPatternRowsPerPart));
}

void BuildDisplayModelPart(const SongEditor& edit, DisplayModel& model, int part) {
    TARVEL_ASSERT_LOCKED(edit);
    if (part == 0) {
        model.items.clear();
        model.characters.clear();
    }
    // The sequencer first: the pattern pane and its bar are drawn over where they touch.
    const int sequencerParts = PartsOf(edit.layout.visibleRows, kSequencerRowsPerPart);
    if (part < sequencerParts) {
        AddSequencerPane(edit, model, part * kSequencerRowsPerPart,
                         (part + 1) * kSequencerRowsPerPart);
    } else {
        const int first = (part - sequencerParts) * kPatternRowsPerPart;
        AddPatternPane(edit, model, first, first + kPatternRowsPerPart);
    }
}

}  // namespace tarvel
