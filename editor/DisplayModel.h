// What the editor view shows, as data: every framed box and every inverted rectangle of the
// sequencer pane, the bar and the pattern pane, in drawing order. The window paints the items
// one after the other; printing renders the same list.
//
// The view paints a Box as a 3D frame (light top and left, dark bottom and right), an opaque
// fill of the inner rectangle (x + 1, y + 1)..(x + width - 1, y + height - 1) and its text at
// (x + 2, y + 2) in textColour, each character on the font's pixel grid (not clipped to the
// box). An Invert item XOR-inverts its rectangle.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "editor/CellText.h"
#include "editor/SongEditor.h"

namespace tarvel {

enum class DisplayFont : std::uint8_t { Large, Small };  // 6 px and 4 px character grid

struct DisplayItem {
    enum class Kind : std::uint8_t { Box, Invert } kind;
    DisplayFont font;
    bool sunken;  // light and dark already swapped; for painters that draw their own frame
    std::uint8_t textLength;
    std::int16_t x, y, width, height;
    std::uint32_t light, dark, textColour, fill;  // 0xBBGGRR; unused for Invert
    std::uint32_t textAt;  // the text, drawn at (x + 2, y + 2), in the model's characters
};
static_assert(sizeof(DisplayItem) == 32);

constexpr int kMaxDisplayText = 127;  // characters of an item's text; longer ones are cut

struct DisplayModel {
    std::vector<DisplayItem> items;  // in drawing order
    std::vector<char> characters;    // the items' texts, one after the other

    std::string_view TextOf(const DisplayItem& item) const {
        return {characters.data() + item.textAt, item.textLength};
    }
};

// Gives `item`, one of model's, the text; the NUL-terminated `text` up to kMaxDisplayText
// characters.
void SetText(DisplayModel& model, DisplayItem& item, const char* text);

// Lock held; window thread. Reuses `model`'s storage: no allocation once it has grown.
void BuildDisplayModel(const SongEditor& edit, DisplayModel& model);
// The same in parts, for a caller that takes the lock for each, so that a large view never
// keeps the clock waiting: part 0 starts the model anew, and it is whole after the last of
// DisplayModelParts(edit) parts (a few rows of the sequencer each, then of the pattern pane). Lock
// held for each call; the layout must not change in between.
int DisplayModelParts(const SongEditor& edit);
void BuildDisplayModelPart(const SongEditor& edit, DisplayModel& model, int part);

}  // namespace tarvel
