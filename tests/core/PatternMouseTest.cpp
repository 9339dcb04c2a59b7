// The mouse in the pattern pane and on the sequencer's headers, and the wheel in both panes, at
// the classic size and at a larger one.
#include <gtest/gtest.h>

#include <mutex>

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
    void Drag(int x, int y) { EditorMouseMove(doc.edit, mouse, x, y); }
    void Release() { EditorLeftButtonUp(mouse); }
    std::vector<int> Cursor() { return {e.cursorTrack, e.cursorField, e.cursorLine}; }
    std::vector<int> Block() {
        if (!e.blockMarked) return {};
        return {e.blockStartTrack, e.blockStartLine, e.blockEndTrack, e.blockEndLine};
    }
    EditorMouse mouse;
};

TEST_F(PatternMouse, AClickPutsTheCursorOnTheTrackFieldAndLineUnderTheMouse) {
    struct Case {
        int x, y;
        std::vector<int> cursor;  // track, field, line
    };
    // Cell k starts at x = 24 + 70k (showing track 2 + k); row r at y = 24 + 12r (line 10 + r).
    const Case cases[] = {
        {24, 24, {2, 0, 10}},         // the note field, top row
        {24 + 23, 30, {2, 0, 10}},    // the space after the note still belongs to it
        {94 + 27, 36, {3, 1, 11}},    // velocity's first digit
        {164 + 40, 300, {4, 2, 33}},  // between the velocity and the command: the nearer
        {164 + 42, 300, {4, 3, 33}},
        {234 + 65, 323, {5, 6, 34}},  // the last digit; from x = 300 on the sequencer's
        {10, 100, {5, 6, 34}},        // the line numbers move nothing
        {100, 15, {5, 6, 34}},        // nor do the headers
    };
    for (const Case& c : cases) {
        Press(c.x, c.y);
        Release();
        EXPECT_EQ(Cursor(), c.cursor) << c.x << ", " << c.y;
        EXPECT_EQ(e.sequencerFocus, 0);
        EXPECT_TRUE(Block().empty());  // a click marks nothing
    }
    e.firstVisibleLine = 50;  // rows past line 63 are blank: a click there moves nothing
    Press(30, 24 + 12 * 20);
    EXPECT_EQ(Cursor(), (std::vector{5, 6, 34}));
}

TEST_F(PatternMouse, ADragMarksTheBlockFromThePressToTheReleaseInEitherDirection) {
    Press(94 + 5, 24 + 12 * 3);  // track 3, line 13
    Drag(234 + 5, 24 + 12 * 7);  // track 5, line 17
    EXPECT_EQ(Block(), (std::vector{3, 13, 5, 17}));
    Drag(24, 24);  // back up and left past the press
    EXPECT_EQ(Block(), (std::vector{2, 10, 3, 13}));
    Drag(-50, -50);  // off the pane: the nearest shown cell
    EXPECT_EQ(Block(), (std::vector{2, 10, 3, 13}));
    Release();
    Drag(234, 300);  // no button: the block stays
    EXPECT_EQ(Block(), (std::vector{2, 10, 3, 13}));
    EXPECT_EQ(Cursor(), (std::vector{3, 0, 13}));  // the cursor stays where the drag began

    Press(24, 24);  // a new press begins a new block
    EXPECT_TRUE(Block().empty());
}

TEST_F(PatternMouse, InALargerViewTheClickFindsTheLaterTracksAndLines) {
    SetViewSize(doc.edit, 1642, 24 + 12 * 60);  // 16 tracks from track 0, 60 rows
    Press(24 + 70 * 15 + 64, 24 + 12 * 50);
    EXPECT_EQ(Cursor(), (std::vector{15, 6, 60}));
    Press(24 + 70 * 14, 24 + 12 * 59);  // line 10 + 59 is past the pattern's end
    EXPECT_EQ(Cursor(), (std::vector{15, 6, 60}));
    // The sequencer starts right of the sixteen tracks.
    Press(1148 + 36 + 28 * 2 + 3, 24 + 12);
    EXPECT_EQ(e.sequencerFocus, 1);
    EXPECT_EQ(e.seqCursorColumn, 2);
}

TEST_F(PatternMouse, TheWheelScrollsThePaneUnderTheMouseNotTheCursor) {
    EditorWheel(doc.edit, 100, 100, -2);  // towards the musician: down six lines
    EXPECT_EQ(e.firstVisibleLine, 16);
    EditorWheel(doc.edit, 100, 100, -100);
    EXPECT_EQ(e.firstVisibleLine, 64 - 25);  // the last line at the bottom, no further
    EditorWheel(doc.edit, 100, 100, +100);
    EXPECT_EQ(e.firstVisibleLine, 0);
    EXPECT_EQ(e.cursorLine, 0);

    e.seqTopRow = 32;
    EditorWheel(doc.edit, 500, 100, +1);  // three displayed lines of 16 rows up, kept at 0
    EXPECT_EQ(e.seqTopRow, 0);
    EditorWheel(doc.edit, 500, 100, -1);
    EXPECT_EQ(e.seqTopRow, 48);
    EditorWheel(doc.edit, 500, 100, -1000);
    EXPECT_EQ(e.seqTopRow, kSequenceRows - 1);
    EXPECT_EQ(e.seqCursorRow, 0);
}

TEST_F(PatternMouse, HeaderClicksMuteWithTheLeftButtonAndSoloWithTheRight) {
    Press(344 + 28 * 3 + 1, 13);
    EXPECT_EQ(doc.engine.mutes.muted, 1 << 3);
    Press(344 + 28 * 3 + 1, 13);
    EXPECT_EQ(doc.engine.mutes.muted, 0);
    EditorRightButtonDown(doc.edit, mouse, 344 + 28 * 15 + 27, 23);
    EXPECT_EQ(doc.engine.mutes.soloed, 1 << 15);
    Press(330, 13);  // the corner box is no header
    EXPECT_EQ(doc.engine.mutes.muted, 0);
}

}  // namespace
}  // namespace tarvel
