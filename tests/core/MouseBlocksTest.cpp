// Blocks and loop marks, and the mouse: painting and erasing slots, clicks and drags in the
// pattern pane, the sequencer's slots and headers, and the wheel in both panes.
#include <gmock/gmock.h>

#include "editor/BlockCommands.h"
#include "editor/MouseEditing.h"
#include "editor/ViewPlacement.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::Field;

class Blocks : public testing::DocumentTest {
  protected:
    void CursorAt(int track, int line) {
        e.cursorTrack = track;
        e.cursorLine = line;
    }
    void MarkBlock(int firstTrack, int firstLine, int lastTrack, int lastLine) {
        CursorAt(firstTrack, firstLine);
        MarkBlockStart(doc.songEditor);
        CursorAt(lastTrack, lastLine);
        MarkBlockEnd(doc.songEditor);
    }
    // The bytes `field` of lines first.. of track 0, after interpolating from `values` there.
    std::vector<int> Interpolated(std::vector<int> values, std::uint8_t PatternCell::*field,
                                  int first = 0) {
        const int count = static_cast<int>(values.size());
        for (int i = 0; i < count; ++i)
            Cell(first + i, 0).*field = static_cast<std::uint8_t>(values[i]);
        MarkBlock(0, first, 1, first + count - 1);
        EXPECT_TRUE(RunEditCommand(doc.songEditor, field == &PatternCell::velocity
                                                       ? EditCommand::InterpolateVelocity
                                                       : EditCommand::InterpolateParameter));
        for (int i = 0; i < count; ++i) values[i] = Cell(first + i, 0).*field;
        return values;
    }

    EditorMouse mouse;
};

TEST_F(Blocks, InterpolationNeedsABlockFollowsTheSinglePrecisionStepAndTruncates) {
    EXPECT_FALSE(RunEditCommand(doc.songEditor, EditCommand::InterpolateParameter));  // no block
    EXPECT_FALSE(RunEditCommand(doc.songEditor, EditCommand::Paste));  // nothing copied yet
    const auto parameter = &PatternCell::parameter;
    const auto velocity = &PatternCell::velocity;
    // A double step would give 5 on the fourth line.
    EXPECT_THAT(Interpolated({0, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 10}, parameter),
                ElementsAre(0, 1, 3, 4, 6, 8, 10));
    Cell(2, 1).parameter = 0x40;  // the block's second track keeps its bytes
    EXPECT_THAT(Interpolated({0x7F, 0xAA, 0x00}, parameter), ElementsAre(0x7F, 0x3F, 0x00));
    EXPECT_EQ(Cell(1, 1).parameter, 0);
    // An empty velocity counts as 0 at the start; an empty end keeps its FF. A parameter has no
    // empty value: its FF is 255.
    EXPECT_THAT(Interpolated({0xFF, 0xAA, 0x60}, velocity), ElementsAre(0x00, 0x30, 0x60));
    EXPECT_THAT(Interpolated({0x20, 0xAA, 0xFF}, velocity), ElementsAre(0x20, 0x10, 0xFF));
    EXPECT_THAT(Interpolated({0xFF, 0xAA, 0x01}, parameter), ElementsAre(0xFF, 0x80, 0x01));
    EXPECT_THAT(Interpolated({0x12}, parameter), ElementsAre(0x12));  // one line: nothing to do
    Cell(13, 0).parameter = 0x77;  // a block further down: its own lines, and none past it
    EXPECT_THAT(Interpolated({0x10, 0xAA, 0x30}, parameter, 10), ElementsAre(0x10, 0x20, 0x30));
    EXPECT_EQ(Cell(13, 0).parameter, 0x77);
}

TEST_F(Blocks, CutCopyAndPasteAreClippedAtTrack15AndLine255AndMarksCollapseWhenCrossed) {
    for (int line = 8; line <= 17; ++line)
        for (int track = 2; track <= 5; ++track)
            Cell(line, track) = {static_cast<std::uint8_t>(line), static_cast<std::uint8_t>(track),
                                 0x07, 0x01};
    MarkBlock(2, 8, 5, 11);
    CutBlock(doc.songEditor);
    EXPECT_THAT((std::vector<int>{Cell(8, 2).note, Cell(11, 5).command, Cell(12, 5).note}),
                ElementsAre(kNoNote, kNoCommand, 12));

    CursorAt(14, 0);
    Cell(4, 14).note = 99;
    PasteBlock(doc.songEditor);
    // Nothing wraps round to track 0 or spills into the next line, or below the block's lines.
    EXPECT_THAT((std::vector<int>{Cell(0, 14).note, Cell(3, 15).velocity, Cell(1, 0).note,
                                  Cell(4, 14).note}),
                ElementsAre(8, 3, kNoNote, 99));

    MarkBlock(2, 12, 5, 17);
    EXPECT_TRUE(RunEditCommand(doc.songEditor, EditCommand::Copy));
    CursorAt(0, 60);
    Cell(60, 4).note = 98;
    PasteBlock(doc.songEditor);
    e.cursorLine = 252;
    PasteBlock(doc.songEditor);
    // Past the 64 lines, kept for a longer pattern, and clipped at line 255: nothing wraps round
    // to line 0 or spills into what follows the lines.
    EXPECT_THAT((std::vector<int>{Cell(65, 0).note, Cell(255, 3).note, Cell(0, 0).note,
                                  doc.song.patterns[0].lineCount, Cell(60, 4).note}),
                ElementsAre(17, 15, kNoNote, 64, 98));

    CursorAt(7, 20);  // a start mark past the end: the block collapses to the cursor
    MarkBlockStart(doc.songEditor);
    EXPECT_THAT((std::vector{e.blockStartTrack, e.blockEndTrack, e.blockStartLine, e.blockEndLine}),
                ElementsAre(7, 7, 20, 20));
}

TEST_F(Blocks, LoopMarksInTheSequencerRoundToTheStep) {
    e.sequencerFocus = 1;
    e.seqCursorRow = 37;
    MarkBlockEnd(doc.songEditor);
    EXPECT_THAT((std::vector{e.loopStartRow, e.loopEndRow}), ElementsAre(0, 32));

    e.seqCursorRow = 70;
    MarkBlockStart(doc.songEditor);  // past the end: the end follows
    EXPECT_THAT((std::vector{e.loopStartRow, e.loopEndRow}), ElementsAre(64, 64));
    EXPECT_FALSE(e.blockMarked);

    e.seqStep = 0;  // a step of 0 must not divide by zero
    e.seqCursorRow = 5;
    MarkBlockEnd(doc.songEditor);
    EXPECT_THAT((std::vector{e.loopStartRow, e.loopEndRow}), ElementsAre(5, 5));
}

using Mouse = Blocks;

TEST_F(Mouse, DraggingPaintsAndErasesTheSlotsItCrossesAndMovesStayInsideTheGrid) {
    e.sequencerFocus = 1;
    e.currentPattern = 7;
    e.insertTranspose = -5;
    EditorLeftButtonDown(doc.songEditor, mouse, 350, 30);
    for (int y = 30; y < 90; y += 12) EditorMouseMove(doc.songEditor, mouse, 350, y);
    EditorLeftButtonUp(mouse);  // that moves after it paint nothing is the window test's
    for (int row = 0; row <= 64; row += 16) EXPECT_EQ(doc.song.sequence[row][0].pattern, 7) << row;
    EXPECT_EQ(doc.engine.mutes.muted | doc.engine.mutes.soloed, 0) << "a slot is no header";
    EXPECT_EQ(doc.song.sequence[64][0].transpose, -5);

    EditorMouseMove(doc.songEditor, mouse, 350, 54);
    EXPECT_EQ(EditorRightButtonDown(doc.songEditor, mouse, 350, 54), MouseAction::None);
    UiEvents();
    EditorMouseMove(doc.songEditor, mouse, 350, 66);
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));  // each erased slot is shown at once
    EditorRightButtonUp(mouse);
    EXPECT_EQ(doc.song.sequence[48][0].pattern, kEmptySlot);
    EXPECT_EQ(doc.song.sequence[16][0].pattern, 7);

    // Right over the pattern pane: its keyboard, shown at once, and the Edit menu.
    UiEvents();
    EXPECT_EQ(EditorRightButtonDown(doc.songEditor, mouse, 120, 200), MouseAction::OpenEditMenu);
    EXPECT_EQ(std::pair(e.sequencerFocus, mouse.rightDragging), std::pair(0, false));
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));

    // Moves clamp the column and leave rows past the grid harmless.
    e.sequencerFocus = 1;
    e.seqTopRow = 16368;
    EditorMouseMove(doc.songEditor, mouse, 2000, 24 + 12 * 24);
    EXPECT_EQ((std::vector{e.seqCursorRow, e.seqCursorColumn}), (std::vector{16368 + 24 * 16, 15}));
    EditorLeftButtonDown(doc.songEditor, mouse, 2000, 24 + 12 * 24);  // paints nothing out there
    EditorLeftButtonUp(mouse);
    EditorMouseMove(doc.songEditor, mouse, 341, 30);
    EXPECT_EQ((std::vector{e.seqCursorRow, e.seqCursorColumn}), (std::vector{16368, 0}));

    EditorMouseMove(doc.songEditor, mouse, 340, 100);  // over the row labels: ignored
    e.sequencerFocus = 0;
    EditorMouseMove(doc.songEditor, mouse, 500, 100);  // and with the pattern pane focused
    EXPECT_EQ(e.seqCursorRow, 16368);
    e.sequencerFocus = 1;  // the row just past the last: nothing is painted, nor past the song
    EditorLeftButtonDown(doc.songEditor, mouse, 350, 41);
    EXPECT_EQ((std::vector{e.seqCursorRow, e.sequencerFocus}), (std::vector{16384, 1}));
}

// The pattern pane scrolled to line 10 and track 2, a block marked before.
class PatternMouse : public Blocks {
  protected:
    void SetUp() override {
        e.firstVisibleLine = 10;
        e.firstVisibleTrack = 2;
        e.blockMarked = 1;
    }
    void Press(int x, int y) { EditorLeftButtonDown(doc.songEditor, mouse, x, y); }
    std::vector<int> Cursor() { return {e.cursorTrack, e.cursorField, e.cursorLine}; }
    std::vector<int> Block() {
        return {e.blockMarked, e.blockStartTrack, e.blockStartLine, e.blockEndTrack,
                e.blockEndLine};
    }
};

TEST_F(PatternMouse, AClickPutsTheCursorOnTheTrackFieldAndLineUnderTheMouse) {
    // Cell k starts at x = 24 + 70k (showing track 2 + k); row r at y = 24 + 12r (line 10 + r).
    const std::pair<std::pair<int, int>, std::vector<int>> clicks[] = {
        {{24 + 23, 24}, {2, 0, 10}},    // the space after the note belongs to it
        {{94 + 27, 36}, {3, 1, 11}},    // velocity's first digit
        {{94 + 32, 48}, {3, 2, 12}},    // its second, from its first pixel
        {{164 + 40, 300}, {4, 2, 33}},  // between velocity and command: the nearer
        {{164 + 42, 300}, {4, 3, 33}},
        {{234 + 65, 323}, {5, 6, 34}},  // the last digit; from x = 300 on the sequencer's
        {{10, 100}, {5, 6, 34}},        // the line numbers move nothing, nor the headers
        {{100, 15}, {5, 6, 34}},
    };
    e.sequencerFocus = 1;
    for (const auto& [at, cursor] : clicks) {
        Press(at.first, at.second);
        EditorLeftButtonUp(mouse);
        EXPECT_EQ(Cursor(), cursor) << at.first << ", " << at.second;
        EXPECT_EQ(e.blockMarked, 0);  // a click marks nothing, and the old block is gone
    }
    EXPECT_EQ(e.sequencerFocus, 0) << "the pane takes the keyboard";
    SetViewSize(doc.songEditor, 1642, 24 + 12 * 60);  // 16 tracks from track 0, 60 rows
    Press(24 + 70 * 15 + 64, 24 + 12 * 53);
    EXPECT_EQ(Cursor(), (std::vector{15, 6, 63}));
    Press(24 + 70 * 14, 24 + 12 * 54);  // line 64 is past the pattern's end: nothing
    EXPECT_EQ(Cursor(), (std::vector{15, 6, 63}));
}

TEST_F(PatternMouse, ADragMarksTheBlockFromThePressToTheReleaseInEitherDirection) {
    Press(94 + 5, 24 + 12 * 3);  // track 3, line 13
    UiEvents();
    EditorMouseMove(doc.songEditor, mouse, 164 + 5, 24 + 12 * 3);  // along the line
    EXPECT_EQ(Block(), (std::vector{1, 3, 13, 4, 13}));
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));
    EditorMouseMove(doc.songEditor, mouse, 2000, 2000);  // past the last shown track and line
    EXPECT_EQ(Block(), (std::vector{1, 3, 13, 5, 63}));
    EditorMouseMove(doc.songEditor, mouse, 234 + 5, 24 + 12 * 7);  // track 5, line 17
    EXPECT_EQ(Block(), (std::vector{1, 3, 13, 5, 17}));
    EditorMouseMove(doc.songEditor, mouse, -50, -50);  // up and left, off the pane
    EXPECT_EQ(Block(), (std::vector{1, 2, 10, 3, 13}));
    EditorLeftButtonUp(mouse);
    EditorMouseMove(doc.songEditor, mouse, 234, 300);  // no button: the block stays
    EXPECT_EQ(Block(), (std::vector{1, 2, 10, 3, 13}));
    EXPECT_EQ(Cursor(), (std::vector{3, 0, 13}));  // where the drag began
}

TEST_F(PatternMouse, TheWheelScrollsThePaneUnderTheMouseAndHeadersMuteAndSolo) {
    // 41 rows; slot column c at x = 1184 + 45c, the row labels from 1148.
    SetViewSize(doc.songEditor, 1920, 24 + 12 * 41);
    EditorWheel(doc.songEditor, 100, 100, -100);  // towards the musician: down
    EXPECT_EQ(e.firstVisibleLine, 64 - 41);       // the last line at the bottom, no further
    EditorWheel(doc.songEditor, 100, 100, +100);
    EXPECT_EQ(e.firstVisibleLine, 0);
    doc.song.patterns[0].lineCount = 16;  // a pattern the pane holds whole does not scroll
    EditorWheel(doc.songEditor, 100, 100, -1);
    EXPECT_EQ(e.firstVisibleLine, 0);
    e.seqTopRow = 64;
    EditorWheel(doc.songEditor, 1300, 100, +1);  // three displayed lines of 16 rows
    EXPECT_EQ(e.seqTopRow, 16);
    EditorWheel(doc.songEditor, 1300, 100, +1);  // and no further than the first
    EXPECT_EQ((std::vector{e.seqTopRow, e.cursorLine, e.seqCursorRow}), (std::vector{0, 0, 0}));
    EditorWheel(doc.songEditor, 1300, 100, -100000);  // down to the last row, no further
    EXPECT_EQ(e.seqTopRow, kSequenceRows - 1);

    EditorRightButtonDown(doc.songEditor, mouse, 1184 + 44, 23);  // each button, each edge
    Press(1184 + 1, 12);
    Press(1170, 13);  // the corner box is no header
    EXPECT_EQ(doc.engine.mutes.muted, 1 << 0);
    EXPECT_EQ(doc.engine.mutes.soloed, 1 << 0);
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
        {1, true, 300, 50, 0, 0, false},  // nor on the row labels, from their first pixel
        {1, false, 300, 50, 0, 0, false},
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
        if (click.left) EditorLeftButtonDown(doc.songEditor, fresh, click.x, click.y);
        if (!click.left) EditorRightButtonDown(doc.songEditor, fresh, click.x, click.y);

        EXPECT_EQ((std::vector{e.sequencerFocus, e.seqCursorRow, e.seqCursorColumn}),
                  (std::vector{1, click.row, click.column}));
        SequenceSlot& clicked = doc.song.sequence[click.row][click.column];
        EXPECT_EQ(clicked.pattern, click.writes ? (click.left ? 3 : kEmptySlot) : before);
        clicked.pattern = before;  // and no other slot changed
        EXPECT_THAT(doc.song.sequence, Each(Each(Field(&SequenceSlot::pattern, before))));
    }
}

}  // namespace
}  // namespace tarvel
