// The colours of the editor display. Colours are 24-bit values 0xBBGGRR; shading adds and
// subtracts whole 24-bit constants, so a carry or borrow runs on into the next colour byte,
// and the result is kept to 24 bits. Songs look as they always have only if this holds.
#pragma once

#include <cstdint>

namespace tarvel {

using Colour = std::uint32_t;

constexpr Colour kBlack = 0x000000;
constexpr Colour kWhite = 0xFFFFFF;

constexpr Colour Lighten(Colour colour, Colour amount) {
    return (colour + amount) & 0xFFFFFF;
}
constexpr Colour Darken(Colour colour, Colour amount) {
    return (colour - amount) & 0xFFFFFF;
}

// A framed box: light top and left edges, dark bottom and right, text on an opaque fill.
struct BoxColours {
    Colour light;
    Colour dark;
    Colour text;
    Colour fill;
    bool sunken;  // light and dark are already swapped for a pressed-in look
};

// A box of fill c raised (light c + 111111) or sunken (the two edges swapped), black text.
constexpr BoxColours ShadedBox(Colour fill, bool sunken) {
    const Colour lighter = Lighten(fill, 0x111111);
    const Colour darker = Darken(fill, 0x111111);
    return sunken ? BoxColours{darker, lighter, kBlack, fill, true}
                  : BoxColours{lighter, darker, kBlack, fill, false};
}

// Where a pattern cell stands relative to the marks, the cursor and the play position.
struct CellPlace {
    int line;
    int track;
    bool inBlock;
    bool onCursorLine;
    bool onCursor;  // the cursor's own cell
    bool onPlayLine;
};
BoxColours PatternCellColours(const CellPlace& place);

// Where a sequencer slot stands. `row` is the sequencer row, `step` the rows per line.
struct SlotPlace {
    long long row;
    int step;
    int column;
    bool empty;
    std::uint8_t reserved;
    bool cursorColumn;
    bool currentChannel;
    bool inLoop;
    bool cursorRow;
    bool playing;
    bool queued;  // waits to be launched at its track's next boundary
};
BoxColours SequencerSlotColours(const SlotPlace& place);

// What waits to be launched: a queued slot's fill, and its track's header.
constexpr Colour kQueuedLaunchFill = 0x30B8F0;
constexpr BoxColours kQueuedHeaderColours{0x70E8FF, 0x2080B0, kBlack, kQueuedLaunchFill, false};

// The row label left of the slots.
BoxColours SequencerRowLabelColours(bool playing, bool cursorRow, bool inLoop);

}  // namespace tarvel
