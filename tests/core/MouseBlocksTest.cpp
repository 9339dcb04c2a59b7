#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include "editor/BlockCommands.h"
#include "editor/MouseEditing.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;
using testing::TestDocument;

class Blocks : public ::testing::Test {
  protected:
    PatternCell& Cell(int line, int track) { return doc.song.patterns[0].cells[line][track]; }
    void MarkBlock(int firstTrack, int firstLine, int lastTrack, int lastLine) {
        e.cursorTrack = firstTrack;
        e.cursorLine = firstLine;
        MarkBlockStart(doc.edit);
        e.cursorTrack = lastTrack;
        e.cursorLine = lastLine;
        MarkBlockEnd(doc.edit);
    }
    // Parameters (or velocities) of lines first..last on track 0, after interpolating.
    std::vector<int> Interpolated(std::vector<int> values, bool velocity = false) {
        for (int i = 0; i < static_cast<int>(values.size()); ++i) {
            if (velocity)
                Cell(i, 0).velocity = static_cast<std::uint8_t>(values[i]);
            else
                Cell(i, 0).parameter = static_cast<std::uint8_t>(values[i]);
        }
        MarkBlock(0, 0, 1, static_cast<int>(values.size()) - 1);
        EXPECT_TRUE(RunEditCommand(doc.edit, velocity ? EditCommand::InterpolateVelocity
                                                      : EditCommand::InterpolateParameter));
        std::vector<int> result;
        for (int i = 0; i < static_cast<int>(values.size()); ++i)
            result.push_back(velocity ? Cell(i, 0).velocity : Cell(i, 0).parameter);
        return result;
    }

    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    EditorState& e = doc.editor;
};

TEST_F(Blocks, InterpolationFollowsTheSinglePrecisionStepAndTruncates) {
    EXPECT_THAT(Interpolated({0x00, 0xAA, 0xAA, 0xAA, 0x40}),
                ElementsAre(0x00, 0x10, 0x20, 0x30, 0x40));
    EXPECT_THAT(Interpolated({0x00, 0xAA, 0xAA, 0x0A}), ElementsAre(0x00, 0x03, 0x06, 0x0A));
    EXPECT_THAT(Interpolated({0x7F, 0xAA, 0x00}), ElementsAre(0x7F, 0x3F, 0x00));
    // An empty velocity counts as 0 at the start; an empty end keeps its FF.
    EXPECT_THAT(Interpolated({0xFF, 0xAA, 0x60}, true), ElementsAre(0x00, 0x30, 0x60));
    EXPECT_THAT(Interpolated({0x20, 0xAA, 0xFF}, true), ElementsAre(0x20, 0x10, 0xFF));
    EXPECT_EQ(Cell(1, 1).parameter, 0);  // only the block's first track
}

TEST_F(Blocks, ASingleLineBlockInterpolatesNothing) {
    Cell(3, 0) = {60, 0xFF, 0x07, 0x12};
    MarkBlock(0, 3, 0, 3);
    InterpolateParameter(doc.edit);
    InterpolateVelocity(doc.edit);
    EXPECT_EQ(Cell(3, 0).parameter, 0x12);
    EXPECT_EQ(Cell(3, 0).velocity, 0xFF);
}

TEST_F(Blocks, MarksCollapseToTheCursorWhenCrossed) {
    MarkBlock(2, 8, 5, 11);
    EXPECT_EQ(e.blockStartTrack, 2);
    EXPECT_EQ(e.blockEndLine, 11);
    e.cursorTrack = 7;
    e.cursorLine = 20;
    MarkBlockStart(doc.edit);
    EXPECT_EQ(e.blockStartTrack, 7);
    EXPECT_EQ(e.blockEndTrack, 7);
    EXPECT_EQ(e.blockStartLine, 20);
    EXPECT_EQ(e.blockEndLine, 20);
}

TEST_F(Blocks, PasteIsClippedAtTrack15AndLine255NotAtTheLineCount) {
    for (int line = 8; line <= 17; ++line)
        for (int track = 2; track <= 5; ++track)
            Cell(line, track) = {static_cast<std::uint8_t>(line), static_cast<std::uint8_t>(track),
                                 0x07, 0x01};
    MarkBlock(2, 8, 5, 11);
    CopyBlock(doc.edit);
    EXPECT_EQ(e.clipboardWidth, 4);
    EXPECT_EQ(e.clipboardHeight, 4);

    e.cursorTrack = 14;
    e.cursorLine = 0;
    PasteBlock(doc.edit);
    EXPECT_EQ(Cell(0, 14).note, 8);
    EXPECT_EQ(Cell(3, 15).velocity, 3);
    EXPECT_EQ(Cell(0, 0).note, kNoNote);  // nothing wraps round to track 0

    MarkBlock(2, 8, 5, 17);
    CopyBlock(doc.edit);
    e.cursorTrack = 0;
    e.cursorLine = 60;
    PasteBlock(doc.edit);
    EXPECT_EQ(Cell(69, 0).note, 17);  // past the 64 lines, kept for a longer pattern

    doc.song.patterns[0].lineCount = 256;
    e.cursorLine = 250;
    PasteBlock(doc.edit);
    EXPECT_EQ(Cell(255, 3).note, 13);
}

TEST_F(Blocks, CutEmptiesTheBlockAndPasteAtItsCornerRestoresIt) {
    Cell(4, 1) = {60, 0x40, 0x07, 0x22};
    Cell(5, 2) = {kNoteOff, 0xFF, 0xB0, 0x05};
    MarkBlock(1, 4, 2, 5);
    CutBlock(doc.edit);
    EXPECT_TRUE(e.blockMarked);
    EXPECT_EQ(Cell(4, 1).note, kNoNote);
    EXPECT_EQ(Cell(5, 2).command, kNoCommand);

    e.cursorTrack = 1;
    e.cursorLine = 4;
    PasteBlock(doc.edit);
    EXPECT_EQ(Cell(4, 1).parameter, 0x22);
    EXPECT_EQ(Cell(5, 2).note, kNoteOff);
    EXPECT_EQ(Cell(5, 2).parameter, 0x05);
}

TEST_F(Blocks, DisabledCommandsNeverRun) {
    Cell(0, 0).parameter = 0x10;
    Cell(4, 0).parameter = 0x50;
    EXPECT_TRUE(IsEditCommandEnabled(doc.edit, EditCommand::MarkBlockStart));
    EXPECT_FALSE(IsEditCommandEnabled(doc.edit, EditCommand::Copy));
    EXPECT_FALSE(RunEditCommand(doc.edit, EditCommand::InterpolateParameter));
    EXPECT_FALSE(RunEditCommand(doc.edit, EditCommand::Paste));  // nothing copied yet
    EXPECT_EQ(Cell(1, 0).parameter, 0);
    EXPECT_FALSE(e.clipboardValid);

    MarkBlock(0, 0, 0, 4);
    EXPECT_TRUE(RunEditCommand(doc.edit, EditCommand::Copy));
    EXPECT_TRUE(IsEditCommandEnabled(doc.edit, EditCommand::Paste));
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

TEST_F(Mouse, TheFirstClickIntoTheSequencerOnlyTakesTheKeyboard) {
    e.currentPattern = 3;
    e.insertTranspose = -5;
    EXPECT_EQ(EditorLeftButtonDown(doc.edit, mouse, 400, 60), MouseAction::None);
    EXPECT_EQ(e.sequencerFocus, 1);
    EXPECT_EQ(Slot(0, 0).pattern, kEmptySlot);
    EditorLeftButtonUp(mouse);

    EditorMouseMove(doc.edit, mouse, 344 + 28 * 2 + 5, 24 + 12 * 3 + 2);
    EXPECT_EQ(e.seqCursorColumn, 2);
    EXPECT_EQ(e.seqCursorRow, 48);
    EditorLeftButtonDown(doc.edit, mouse, 344 + 28 * 2 + 5, 24 + 12 * 3 + 2);
    EXPECT_EQ(Slot(48, 2).pattern, 3);
    EXPECT_EQ(Slot(48, 2).transpose, -5);
    EditorLeftButtonUp(mouse);

    e.seqCursorRow = 0;
    EditorLeftButtonDown(doc.edit, mouse, 400, 24);  // on the headers: no painting
    EXPECT_EQ(Slot(0, 2).pattern, kEmptySlot);
}

TEST_F(Mouse, DraggingPaintsAndErasesTheSlotsItCrosses) {
    e.sequencerFocus = 1;
    e.currentPattern = 7;
    EditorLeftButtonDown(doc.edit, mouse, 350, 30);
    for (int y = 30; y < 90; y += 12) EditorMouseMove(doc.edit, mouse, 350, y);
    EditorLeftButtonUp(mouse);
    EditorMouseMove(doc.edit, mouse, 350, 102);
    for (int row = 0; row <= 64; row += 16) EXPECT_EQ(Slot(row, 0).pattern, 7) << row;
    EXPECT_EQ(Slot(96, 0).pattern, kEmptySlot);  // after the button came up

    EditorMouseMove(doc.edit, mouse, 350, 54);
    EXPECT_EQ(EditorRightButtonDown(doc.edit, mouse, 350, 54), MouseAction::None);
    EXPECT_EQ(Slot(32, 0).pattern, kEmptySlot);
    EditorMouseMove(doc.edit, mouse, 350, 66);
    EditorRightButtonUp(mouse);
    EXPECT_EQ(Slot(48, 0).pattern, kEmptySlot);
    EXPECT_EQ(Slot(16, 0).pattern, 7);
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

TEST_F(Mouse, RightClickOverThePatternAsksForTheEditMenu) {
    doc.DispatchUiSignals();
    t.ui.Clear();
    e.sequencerFocus = 1;
    EXPECT_EQ(EditorRightButtonDown(doc.edit, mouse, 120, 200), MouseAction::OpenEditMenu);
    EXPECT_EQ(e.sequencerFocus, 0);
    EXPECT_FALSE(mouse.rightDragging);
    doc.DispatchUiSignals();
    EXPECT_THAT(t.ui.Events(), ElementsAre("invalidate"));
}

}  // namespace
}  // namespace tarvel
