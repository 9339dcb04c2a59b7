// The mouse in the pattern pane and on the sequencer's headers, and the wheel in both panes.
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

}  // namespace
}  // namespace tarvel
