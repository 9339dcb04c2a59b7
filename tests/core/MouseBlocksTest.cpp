#include <gmock/gmock.h>

#include "editor/BlockCommands.h"
#include "editor/MouseEditing.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;

class Blocks : public testing::DocumentTest {
  protected:
    void MarkBlock(int firstTrack, int firstLine, int lastTrack, int lastLine) {
        e.cursorTrack = firstTrack;
        e.cursorLine = firstLine;
        MarkBlockStart(doc.edit);
        e.cursorTrack = lastTrack;
        e.cursorLine = lastLine;
        MarkBlockEnd(doc.edit);
    }
    // The bytes `field` of lines 0.. of track 0, after interpolating from `values` there.
    std::vector<int> Interpolated(std::vector<int> values, std::uint8_t PatternCell::*field) {
        for (std::size_t i = 0; i < values.size(); ++i)
            Cell(i, 0).*field = static_cast<std::uint8_t>(values[i]);
        MarkBlock(0, 0, 1, static_cast<int>(values.size()) - 1);
        EXPECT_TRUE(RunEditCommand(doc.edit, field == &PatternCell::velocity
                                                 ? EditCommand::InterpolateVelocity
                                                 : EditCommand::InterpolateParameter));
        for (std::size_t i = 0; i < values.size(); ++i) values[i] = Cell(i, 0).*field;
        return values;
    }
};

TEST_F(Blocks, InterpolationNeedsABlockFollowsTheSinglePrecisionStepAndTruncates) {
    EXPECT_FALSE(IsEditCommandEnabled(doc.edit, EditCommand::Copy));  // nothing marked yet
    EXPECT_FALSE(RunEditCommand(doc.edit, EditCommand::InterpolateParameter));
    EXPECT_FALSE(RunEditCommand(doc.edit, EditCommand::Paste));  // nothing copied yet
    const auto parameter = &PatternCell::parameter;
    const auto velocity = &PatternCell::velocity;
    EXPECT_THAT(Interpolated({0x00, 0xAA, 0xAA, 0xAA, 0x40}, parameter),
                ElementsAre(0x00, 0x10, 0x20, 0x30, 0x40));
    // A double step would give 5 on the fourth line.
    EXPECT_THAT(Interpolated({0, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 10}, parameter),
                ElementsAre(0, 1, 3, 4, 6, 8, 10));
    EXPECT_THAT(Interpolated({0x7F, 0xAA, 0x00}, parameter), ElementsAre(0x7F, 0x3F, 0x00));
    // An empty velocity counts as 0 at the start; an empty end keeps its FF.
    EXPECT_THAT(Interpolated({0xFF, 0xAA, 0x60}, velocity), ElementsAre(0x00, 0x30, 0x60));
    EXPECT_THAT(Interpolated({0x20, 0xAA, 0xFF}, velocity), ElementsAre(0x20, 0x10, 0xFF));
    EXPECT_EQ(Cell(1, 1).parameter, 0);  // only the block's first track
    EXPECT_THAT(Interpolated({0x12}, parameter), ElementsAre(0x12));  // one line: nothing to do
}

TEST_F(Blocks, CutCopyAndPasteAreClippedAtTrack15AndLine255AndMarksCollapseWhenCrossed) {
    for (int line = 8; line <= 17; ++line)
        for (int track = 2; track <= 5; ++track)
            Cell(line, track) = {static_cast<std::uint8_t>(line), static_cast<std::uint8_t>(track),
                                 0x07, 0x01};
    MarkBlock(2, 8, 5, 11);
    CutBlock(doc.edit);
    EXPECT_EQ(Cell(8, 2).note, kNoNote);
    EXPECT_EQ(Cell(11, 5).command, kNoCommand);
    EXPECT_EQ(Cell(12, 5).note, 12);

    e.cursorTrack = 14;
    e.cursorLine = 0;
    PasteBlock(doc.edit);
    EXPECT_EQ(Cell(0, 14).note, 8);
    EXPECT_EQ(Cell(3, 15).velocity, 3);
    EXPECT_EQ(Cell(0, 0).note, kNoNote);  // nothing wraps round to track 0

    MarkBlock(2, 12, 5, 17);
    EXPECT_TRUE(RunEditCommand(doc.edit, EditCommand::Copy));
    e.cursorTrack = 0;
    e.cursorLine = 60;
    PasteBlock(doc.edit);
    EXPECT_EQ(Cell(65, 0).note, 17);  // past the 64 lines, kept for a longer pattern
    e.cursorLine = 252;
    PasteBlock(doc.edit);
    EXPECT_EQ(Cell(255, 3).note, 15);

    e.cursorTrack = 7;  // a start mark past the end: the block collapses to the cursor
    e.cursorLine = 20;
    MarkBlockStart(doc.edit);
    EXPECT_THAT((std::vector{e.blockStartTrack, e.blockEndTrack, e.blockStartLine, e.blockEndLine}),
                ElementsAre(7, 7, 20, 20));
}

TEST_F(Blocks, LoopMarksInTheSequencerRoundToTheStep) {
    e.sequencerFocus = 1;
    e.seqCursorRow = 37;
    MarkBlockEnd(doc.edit);
    EXPECT_EQ(e.loopStartRow, 0);
    EXPECT_EQ(e.loopEndRow, 32);

    e.seqCursorRow = 70;
    MarkBlockStart(doc.edit);  // past the end: the end follows
    EXPECT_EQ(e.loopStartRow, 64);
    EXPECT_EQ(e.loopEndRow, 64);
    EXPECT_FALSE(e.blockMarked);

    e.seqStep = 0;  // a step of 0 must not divide by zero
    e.seqCursorRow = 5;
    MarkBlockEnd(doc.edit);
    EXPECT_EQ(e.loopEndRow, 5);
    EXPECT_EQ(e.loopStartRow, 5);
}

class Mouse : public Blocks {
  protected:
    const SequenceSlot& Slot(int row, int column) { return doc.song.sequence[row][column]; }
    EditorMouse mouse;
};

TEST_F(Mouse, DraggingPaintsWithTheInsertTransposeAndErasesTheSlotsItCrosses) {
    e.sequencerFocus = 1;
    e.currentPattern = 7;
    e.insertTranspose = -5;
    EditorLeftButtonDown(doc.edit, mouse, 350, 30);
    for (int y = 30; y < 90; y += 12) EditorMouseMove(doc.edit, mouse, 350, y);
    EditorLeftButtonUp(mouse);
    EditorMouseMove(doc.edit, mouse, 350, 102);
    for (int row = 0; row <= 64; row += 16) EXPECT_EQ(Slot(row, 0).pattern, 7) << row;
    EXPECT_EQ(Slot(64, 0).transpose, -5);
    EXPECT_EQ(Slot(96, 0).pattern, kEmptySlot);  // after the button came up

    EditorMouseMove(doc.edit, mouse, 350, 54);
    EXPECT_EQ(EditorRightButtonDown(doc.edit, mouse, 350, 54), MouseAction::None);
    EXPECT_EQ(Slot(32, 0).pattern, kEmptySlot);
    EditorMouseMove(doc.edit, mouse, 350, 66);
    EditorRightButtonUp(mouse);
    EXPECT_EQ(Slot(48, 0).pattern, kEmptySlot);
    EXPECT_EQ(Slot(16, 0).pattern, 7);

    // Right over the pattern pane: its keyboard and the Edit menu.
    EXPECT_EQ(EditorRightButtonDown(doc.edit, mouse, 120, 200), MouseAction::OpenEditMenu);
    EXPECT_EQ(e.sequencerFocus, 0);
    EXPECT_FALSE(mouse.rightDragging);
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));
}

TEST_F(Mouse, MovesClampTheColumnAndLeaveRowsPastTheGridHarmless) {
    e.sequencerFocus = 1;
    e.seqTopRow = 16368;
    EditorMouseMove(doc.edit, mouse, 2000, 24 + 12 * 24);
    EXPECT_EQ(e.seqCursorColumn, 15);
    EXPECT_EQ(e.seqCursorRow, 16368 + 24 * 16);
    EditorLeftButtonDown(doc.edit, mouse, 2000, 24 + 12 * 24);  // paints nothing out there
    EditorLeftButtonUp(mouse);
    EditorMouseMove(doc.edit, mouse, 341, 30);
    EXPECT_EQ(e.seqCursorColumn, 0);
    EXPECT_EQ(e.seqCursorRow, 16368);

    EditorMouseMove(doc.edit, mouse, 340, 100);  // over the row labels: ignored
    EXPECT_EQ(e.seqCursorRow, 16368);
    e.sequencerFocus = 0;
    EditorMouseMove(doc.edit, mouse, 500, 100);
    EXPECT_EQ(e.seqCursorRow, 16368);
}

}  // namespace
}  // namespace tarvel
