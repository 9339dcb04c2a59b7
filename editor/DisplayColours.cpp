#include "editor/DisplayColours.h"

namespace tarvel {

namespace {

// Lines, or sequencer lines, on beats of 4, 8, 16 and 32 grow lighter step by step.
Colour BeatShading(Colour colour, long long position, long long unit) {
    if (position % (4 * unit) == 0) colour = Lighten(colour, 0x0C0C0C);
    if (position % (8 * unit) == 0) colour = Lighten(colour, 0x080808);
    if (position % (16 * unit) == 0) colour = Lighten(colour, 0x080808);
    if (position % (32 * unit) == 0) colour = Lighten(colour, 0x080808);
    return colour;
}

}  // namespace

BoxColours PatternCellColours(const CellPlace& place) {
    Colour c = place.inBlock ? 0xCABCBA : 0x99A0A9;
    if (place.onCursorLine) {
        c = Lighten(c, 0x111C1C);
        if (place.onCursor) c = Darken(c, 0x413C33);
    }
    if (place.onPlayLine) c = Darken(c, 0x442211);
    c = BeatShading(c, place.line, 1);
    if (place.track % 2 != 0) c = Lighten(c, 0x080C05);
    return ShadedBox(c, place.onCursorLine);
}

BoxColours SequencerSlotColours(const SlotPlace& place) {
    // Plain and bright, whatever else the slot is: the musician watches for it.
    if (place.queued) return ShadedBox(kQueuedLaunchFill, place.cursorRow);
    Colour k = Lighten(place.empty ? 0xAA9085 : 0xABA2B6, place.reserved);
    if (place.cursorColumn) k = Lighten(k, 0x080808);
    if (place.currentChannel) k = Darken(k, 0x080C10);
    if (place.column % 2 == 0) k = Lighten(k, 0x030303);
    if (place.inLoop) k = Darken(k, 0x30101F);
    if (place.cursorRow) {
        k = Lighten(k, 0x060606);
        if (place.cursorColumn) k = Darken(k, 0x413C33);
    }
    if (place.playing) k = Darken(k, 0x421304);
    k = BeatShading(k, place.row, place.step);
    return ShadedBox(k, place.cursorRow);
}

BoxColours SequencerRowLabelColours(bool playing, bool cursorRow, bool inLoop) {
    Colour b = playing ? 0x8AB9C8 : 0xCCCCCC;
    if (cursorRow) b = Darken(b, 0x161616);
    if (inLoop) b = Darken(b, 0x30101F);
    return {Lighten(b, 0x222222), Darken(b, 0x222222), kBlack, b, false};
}

}  // namespace tarvel
