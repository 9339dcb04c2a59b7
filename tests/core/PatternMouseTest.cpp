// The mouse in the pattern pane and on the sequencer's slots and headers, and the wheel in both
// panes.
#include <gtest/gtest.h>

#include "editor/MouseEditing.h"
#include "editor/ViewPlacement.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

class PatternMouse : public testing::DocumentTest {
  protected:
    void SetUp() override {
        doc.song.patterns[0].lineCount = 64;
        e.firstVisibleLine = 10;
        e.firstVisibleTrack = 2;
    }
    void Press(int x, int y) { EditorLeftButtonDown(doc.edit, mouse, x, y); }
    std::vector<int> Cursor() { return {e.cursorTrack, e.cursorField, e.cursorLine}; }
    std::vector<int> Block() {
        return {e.blockMarked, e.blockStartTrack, e.blockStartLine, e.blockEndTrack,
                e.blockEndLine};
    }
    EditorMouse mouse;
};

TEST_F(PatternMouse, AClickPutsTheCursorOnTheTrackFieldAndLineUnderTheMouse) {
    // Cell k starts at x = 24 + 70k (showing track 2 + k); row r at y = 24 + 12r (line 10 + r).
    const std::pair<std::pair<int, int>, std::vector<int>> clicks[] = {
        {{24 + 23, 24}, {2, 0, 10}},    // the space after the note belongs to it
        {{94 + 27, 36}, {3, 1, 11}},    // velocity's first digit
        {{164 + 40, 300}, {4, 2, 33}},  // between velocity and command: the nearer
        {{164 + 42, 300}, {4, 3, 33}},
        {{234 + 65, 323}, {5, 6, 34}},  // the last digit; from x = 300 on the sequencer's
        {{10, 100}, {5, 6, 34}},        // the line numbers move nothing, nor the headers
        {{100, 15}, {5, 6, 34}},
    };
    for (const auto& [at, cursor] : clicks) {
        Press(at.first, at.second);
        EditorLeftButtonUp(mouse);
        EXPECT_EQ(Cursor(), cursor) << at.first << ", " << at.second;
        EXPECT_EQ(e.blockMarked, 0);  // a click marks nothing
    }
    SetViewSize(doc.edit, 1642, 24 + 12 * 60);  // 16 tracks from track 0, 60 rows
    Press(24 + 70 * 15 + 64, 24 + 12 * 50);
    EXPECT_EQ(Cursor(), (std::vector{15, 6, 60}));
    Press(24 + 70 * 14, 24 + 12 * 59);  // line 69 is past the pattern's end: nothing
    EXPECT_EQ(Cursor(), (std::vector{15, 6, 60}));
}

TEST_F(PatternMouse, ADragMarksTheBlockFromThePressToTheReleaseInEitherDirection) {
    Press(94 + 5, 24 + 12 * 3);                              // track 3, line 13
    EditorMouseMove(doc.edit, mouse, 234 + 5, 24 + 12 * 7);  // track 5, line 17
    EXPECT_EQ(Block(), (std::vector{1, 3, 13, 5, 17}));
    EditorMouseMove(doc.edit, mouse, -50, -50);  // up and left, off the pane
    EXPECT_EQ(Block(), (std::vector{1, 2, 10, 3, 13}));
    EditorLeftButtonUp(mouse);
    EditorMouseMove(doc.edit, mouse, 234, 300);  // no button: the block stays
    EXPECT_EQ(Block(), (std::vector{1, 2, 10, 3, 13}));
    EXPECT_EQ(Cursor(), (std::vector{3, 0, 13}));  // where the drag began
}

TEST_F(PatternMouse, TheWheelScrollsThePaneUnderTheMouseAndHeadersMuteAndSolo) {
    EditorWheel(doc.edit, 100, 100, -2);  // towards the musician: down six lines
    EXPECT_EQ(e.firstVisibleLine, 16);
    EditorWheel(doc.edit, 100, 100, -100);
    EXPECT_EQ(e.firstVisibleLine, 64 - 25);  // the last line at the bottom, no further
    e.seqTopRow = 32;
    EditorWheel(doc.edit, 500, 100, +1);  // three displayed lines of 16 rows, kept at 0
    EXPECT_EQ(e.seqTopRow, 0);
    EXPECT_EQ(e.cursorLine + e.seqCursorRow, 0);

    Press(344 + 28 * 3 + 1, 13);
    EditorRightButtonDown(doc.edit, mouse, 344 + 28 * 15 + 27, 23);
    Press(330, 13);  // the corner box is no header
    EXPECT_EQ(doc.engine.mutes.muted, 1 << 3);
    EXPECT_EQ(doc.engine.mutes.soloed, 1 << 15);
}

// A button pressed in the sequencer acts on the slot under the mouse, also when no move told
// the editor where the mouse went (moves are ignored while the pattern pane has the keyboard).
TEST_F(PatternMouse, AButtonInTheSequencerWritesOnlyTheSlotUnderTheMouse) {
    struct Click {
        int focusBefore;
        bool left;
        int x, y;
        int row, column;  // where the cursor ends; (0, 0) is where it stood
        bool writes;      // the slot at the cursor, and nothing else
    };
    // Slot column c starts at x = 344 + 28c; displayed line l at y = 24 + 12l (step 16).
    const Click clicks[] = {
        {0, true, 400, 62, 48, 2, false},  // the first left click only takes the keyboard
        {1, true, 489, 38, 16, 5, true},   // paints the clicked slot, not the old cursor's
        {0, false, 545, 74, 64, 7, true},  // the right button erases at once
        {1, false, 770, 26, 0, 15, true},
        {1, true, 430, 20, 0, 3, false},  // on the headers no slot is under the mouse
        {1, false, 430, 20, 0, 3, false},
        {1, true, 320, 50, 0, 0, false},  // nor on the row labels
        {1, false, 320, 50, 0, 0, false},
    };
    e.currentPattern = 3;
    for (const Click& click : clicks) {
        SCOPED_TRACE(::testing::Message() << "click at " << click.x << ", " << click.y);
        // The right button erases, so it starts from a full grid; the left paints pattern 3.
        const std::uint8_t before = click.left ? kEmptySlot : 9;
        for (auto& row : doc.song.sequence)
            for (SequenceSlot& slot : row) slot.pattern = before;
        e.sequencerFocus = click.focusBefore;
        e.seqCursorRow = e.seqCursorColumn = 0;
        EditorMouse fresh;
        if (click.left) EditorLeftButtonDown(doc.edit, fresh, click.x, click.y);
        if (!click.left) EditorRightButtonDown(doc.edit, fresh, click.x, click.y);

        EXPECT_EQ((std::vector{e.sequencerFocus, e.seqCursorRow, e.seqCursorColumn}),
                  (std::vector{1, click.row, click.column}));
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
