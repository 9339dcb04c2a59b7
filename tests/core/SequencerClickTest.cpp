// A button pressed in the sequencer acts on the slot under the mouse, also when no move told
// the editor where the mouse went (moves are ignored while the pattern pane has the keyboard).
#include <gtest/gtest.h>

#include "editor/MouseEditing.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

struct Click {
    int focusBefore;
    bool left;
    int x, y;
    int row, column;  // where the cursor ends; (0, 0) is where it stood
    bool writes;      // the slot at the cursor, and nothing else
};

// Slot column c starts at x = 344 + 28c; displayed line l at y = 24 + 12l (step 16).
constexpr Click kClicks[] = {
    {0, true, 400, 62, 48, 2, false},  // the first left click only takes the keyboard
    {1, true, 489, 38, 16, 5, true},   // paints the clicked slot, not the old cursor's
    {0, false, 545, 74, 64, 7, true},  // the right button erases at once
    {1, false, 770, 26, 0, 15, true},
    {1, true, 430, 20, 0, 3, false},  // on the headers no slot is under the mouse
    {1, false, 430, 20, 0, 3, false},
    {1, true, 320, 50, 0, 0, false},  // nor on the row labels
    {1, false, 320, 50, 0, 0, false},
};

TEST(SequencerClick, WritesOnlyTheSlotUnderTheMouse) {
    for (const Click& click : kClicks) {
        SCOPED_TRACE(::testing::Message() << "click at " << click.x << ", " << click.y);
        testing::TestDocument t;
        CFennoralDoc& doc = *t.doc;
        // The right button erases, so it starts from a full grid; the left paints pattern 3.
        const std::uint8_t before = click.left ? kEmptySlot : 9;
        for (auto& row : doc.song.sequence)
            for (SequenceSlot& slot : row) slot.pattern = before;
        doc.editor.currentPattern = 3;
        doc.editor.sequencerFocus = click.focusBefore;

        EditorMouse mouse;
        if (click.left) EditorLeftButtonDown(doc.edit, mouse, click.x, click.y);
        if (!click.left) EditorRightButtonDown(doc.edit, mouse, click.x, click.y);

        EXPECT_EQ(doc.editor.sequencerFocus, 1);
        EXPECT_EQ(doc.editor.seqCursorRow, click.row);
        EXPECT_EQ(doc.editor.seqCursorColumn, click.column);
        int changed = 0;
        for (const auto& row : doc.song.sequence)
            for (const SequenceSlot& slot : row) changed += slot.pattern != before;
        EXPECT_EQ(changed, click.writes ? 1 : 0);
        const std::uint8_t clicked = doc.song.sequence[click.row][click.column].pattern;
        EXPECT_EQ(clicked, click.writes ? (click.left ? 3 : kEmptySlot) : before);
    }
}

}  // namespace
}  // namespace tarvel
