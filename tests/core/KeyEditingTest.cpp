#include <gmock/gmock.h>

#include <string>

#include "editor/KeyEditing.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class KeyEditing : public testing::DocumentTest {
  protected:
    void Press(int key, bool shift = false) { EditorKeyDown(doc.songEditor, key, shift); }
    void Release(int key) { EditorKeyUp(doc.songEditor, key); }
    void Type(int key) {
        Press(key);
        Release(key);
    }
};

std::vector<int> Bytes(const PatternCell& cell) {
    return {cell.note, cell.velocity, cell.command, cell.parameter};
}

TEST_F(KeyEditing, CursorMovesStayInsideThePatternScrollTheShownPartAndWrapRoundTheTracks) {
    struct LineMove {
        int lineCount, line, top, key, newLine, newTop;
    };
    for (const LineMove m :
         {LineMove{64, 63, 39, vk::kDown, 63, 39}, LineMove{64, 60, 36, vk::kNext, 63, 39},
          LineMove{64, 5, 0, vk::kPrior, 0, 0}, LineMove{64, 20, 0, vk::kPrior, 4, 0},
          LineMove{64, 5, 0, vk::kNext, 21, 0},  // a page is 16 lines
          LineMove{64, 24, 0, vk::kDown, 25, 1},
          LineMove{64, 25, 1, vk::kUp, 24, 1},              // within the shown lines: no scrolling
          LineMove{100000, 250, 231, vk::kNext, 255, 231},  // damaged counts
          LineMove{-3, 250, 231, vk::kDown, 0, 0}}) {
        doc.song.patterns[0].lineCount = m.lineCount;
        e.cursorLine = m.line;
        e.firstVisibleLine = m.top;
        Press(m.key);
        EXPECT_THAT((std::vector{e.cursorLine, e.firstVisibleLine}),
                    ElementsAre(m.newLine, m.newTop))
            << m.line << " of " << m.lineCount << ", key " << m.key;
    }

    struct TrackMove {
        int track, top, field, key;
        bool shift;
        int newTrack, newTop, newField;
    };
    for (const TrackMove m : {TrackMove{15, 12, 6, vk::kRight, false, 0, 0, 0},
                              TrackMove{0, 0, 0, vk::kLeft, false, 15, 12, 6},
                              TrackMove{15, 12, 6, vk::kLeft, false, 15, 12, 5},
                              TrackMove{4, 0, 1, vk::kLeft, false, 4, 0, 0},
                              TrackMove{0, 0, 6, vk::kRight, false, 1, 0, 0},
                              TrackMove{4, 0, 5, vk::kRight, false, 4, 0, 6},
                              TrackMove{3, 0, 6, vk::kRight, false, 4, 1, 0},
                              TrackMove{2, 0, 4, vk::kTab, false, 3, 0, 0},
                              TrackMove{0, 0, 3, vk::kTab, true, 15, 12, 0}}) {
        e.cursorTrack = m.track;
        e.firstVisibleTrack = m.top;
        e.cursorField = m.field;
        Press(m.key, m.shift);
        EXPECT_THAT((std::vector{e.cursorTrack, e.firstVisibleTrack, e.cursorField}),
                    ElementsAre(m.newTrack, m.newTop, m.newField))
            << m.track << "." << m.field << ", key " << m.key << (m.shift ? " with shift" : "");
        EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));  // the cursor is shown where it went
    }
}

TEST_F(KeyEditing, NoteKeysSoundUntilTheirOwnReleaseAndWithRecordWriteAndStepAutoRepeatToo) {
    e.currentChannel = 2;
    e.cursorTrack = 5;
    doc.song.channelVelocity[2] = 90;
    // A key's release stops only the note it started (the note safety test moves cursor and
    // channel between press and release): a second key in the same slot takes the note over.
    Press('Q');
    Press('W');
    Release('Q');
    EXPECT_THAT(t.TakeSent(), ElementsAre("92 3c 5a@0", "82 3c 64@0", "92 3e 5a@0"));
    Release('W');
    EXPECT_THAT(t.TakeSent(), ElementsAre("82 3e 64@0"));
    Type('1');  // note off and clear write nothing and sound nothing without record
    Type(vk::kDelete);
    EXPECT_THAT((std::vector<int>{Cell(0, 5).note, e.cursorLine}), ElementsAre(kNoNote, 0));

    ToggleRecord(doc.songEditor);
    Cell(0, 5) = {kNoNote, 0x40, 0x07, 0x22};
    Press('Q');
    EXPECT_THAT(Bytes(Cell(0, 5)), ElementsAre(60, 0x40, 0x07, 0x22));  // only the note byte
    Press('Q');  // auto-repeat: the next line, and the note starts again
    Press('Q');
    Release('Q');
    EXPECT_THAT((std::vector<int>{Cell(1, 5).note, Cell(2, 5).note}), ElementsAre(60, 60));
    EXPECT_THAT(t.TakeSent(), ElementsAre("92 3c 5a@0", "82 3c 64@0", "92 3c 5a@0", "82 3c 64@0",
                                          "92 3c 5a@0", "82 3c 64@0"));
    Cell(4, 5).note = 60;
    Type('1');
    Type(vk::kDelete);
    EXPECT_THAT((std::vector<int>{Cell(3, 5).note, Cell(4, 5).note, e.cursorLine}),
                ElementsAre(kNoteOff, kNoNote, 5));
    EXPECT_THAT(t.TakeSent(), IsEmpty());  // silently
    Press('W');
    Type('1');  // and a held key's note is left to that key
    EXPECT_THAT(t.TakeSent(), ElementsAre("92 3e 5a@0"));

    e.cursorLine = 63;
    Type('Z');
    Type('X');  // the last line stays under the cursor and is overwritten
    EXPECT_THAT((std::vector<int>{e.cursorLine, Cell(63, 5).note}), ElementsAre(63, 50));
}

TEST_F(KeyEditing, OctavesStopAtZeroAndEightAndOtherKeysPlayNothing) {
    for (int i = 0; i < 6; ++i) ShiftOctave(doc.songEditor, +1);
    Press('P');  // 124: the highest the keys reach
    for (int i = 0; i < 10; ++i) ShiftOctave(doc.songEditor, -1);
    Press('Z');
    EXPECT_THAT(t.TakeSent(), ElementsAre("90 7c 64@0", "80 7c 64@0", "90 00 64@0"));

    for (int key : {int{'A'}, int{'F'}, int{'K'}, int{'L'}, int{'4'}, int{'8'}, vk::kNumpad0 + 5,
                    vk::kHome, vk::kReturn})
        Press(key);
    EXPECT_THAT(t.TakeSent(), IsEmpty());
    EXPECT_THAT(UiEvents(), IsEmpty());  // the octave is not shown
}

TEST_F(KeyEditing, HexDigitsFillTheirHalfOfTheFieldAndStepOneLine) {
    struct Case {
        int field, key;
        PatternCell before, after;
    };
    const Case cases[] = {
        {1, '7', kEmptyCell, {kNoNote, 0x70, kNoCommand, 0}},  // an empty byte starts at 0
        {2, 'B', kEmptyCell, {kNoNote, 0x0B, kNoCommand, 0}},
        {3, 'B', kEmptyCell, {kNoNote, kDefaultVelocity, 0xB0, 0}},
        {4, '0', {1, 2, 0xB7, 3}, {1, 2, 0xB0, 3}},
        {5, '1', {1, 2, 3, 0xFF}, {1, 2, 3, 0x1F}},  // a parameter of FF is not empty
        {6, 'F', {1, 2, 3, 0x10}, {1, 2, 3, 0x1F}},
        {1, vk::kDelete, {1, 0x40, 7, 0x22}, {1, kDefaultVelocity, 7, 0x22}},
        {4, vk::kDelete, {1, 0x40, 7, 0x22}, {1, 0x40, kNoCommand, 0x22}},
        {6, vk::kDelete, {1, 0x40, 7, 0x22}, {1, 0x40, 7, 0x00}},
    };
    ToggleRecord(doc.songEditor);
    e.editStep = 4;  // digits always step one line
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "field " << c.field << ", key " << c.key);
        e.cursorLine = 0;
        e.cursorField = c.field;
        Cell(0, 0) = c.before;
        Type(c.key);
        EXPECT_EQ(Bytes(Cell(0, 0)), Bytes(c.after));
        EXPECT_THAT((std::vector{e.cursorLine, e.cursorField}), ElementsAre(1, c.field));
    }
    e.cursorLine = 0;
    Type('G');  // not a hex digit
    Type(vk::kNumpad0 + 7);
    ToggleRecord(doc.songEditor);
    Type('7');  // record is off
    EXPECT_THAT((std::vector<int>{Cell(0, 0).parameter, e.cursorLine}), ElementsAre(0, 0));
}

TEST_F(KeyEditing, SequencerPaneScrollsRowsAndChangesChannel) {
    e.sequencerFocus = 1;
    e.seqCursorRow = 5;
    Press(vk::kUp);
    EXPECT_EQ(e.seqCursorRow + e.seqTopRow, 0);
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));

    e.seqCursorRow = 16380;
    e.seqTopRow = 16300;
    Press(vk::kDown);
    EXPECT_THAT((std::vector{e.seqCursorRow, e.seqTopRow}), ElementsAre(16383, 16316));

    // Left wraps to channel 16 and shows it in the panel (the window test's); right wraps back.
    Press(vk::kLeft);
    Press(vk::kRight);
    EXPECT_EQ(e.currentChannel, 0);

    ToggleRecord(doc.songEditor);
    Press('Q');
    Press(vk::kTab);
    EXPECT_THAT((std::vector<int>{Cell(0, 0).note, e.cursorTrack}), ElementsAre(kNoNote, 0));
}

// Note keys go by place, values by character: the piano rows of QWERTY, QWERTZ and AZERTY, fed
// as the window system reports them (the key's XKB keycode and the character's key code).
TEST(KeyPositionTest, PianoRowsLieInTheSamePlaceAndValuesFollowTheCharacters) {
    // The characters of the four rows, from keycodes 10, 24, 38 and 52 on: letters and digits as
    // themselves, '.' for none, ',' for the comma key (AZERTY's '&' and '(' count as US Shift+7
    // and Shift+9).
    const std::string layouts[][4] = {
        {"1234567890", "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"},
        {"1234567890", "QWERTZUIOP", "ASDFGHJKL", "YXCVBNM"},
        {"7...9.....", "AZERTYUIOP", "QSDFGHJKL", "WXCVBN,"},
    };
    const auto& us = layouts[0];
    const auto hexValue = [](int c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    for (const auto& layout : layouts)
        for (unsigned row = 0; row < 4; ++row)
            for (unsigned i = 0; i < us[row].size(); ++i) {
                const unsigned keycode = 10 + 14 * row + i;
                const char c = layout[row][i];
                const int character = c == '.' ? 0 : c == ',' ? 0xBC : c;
                const EditorKey key = ReadEditorKey(keycode, character);
                SCOPED_TRACE(::testing::Message() << layout[1] << " keycode " << keycode);
                // The note is the US key's at this place, whatever the layout prints on it.
                EXPECT_EQ(NoteKeyValue(NoteTableKey(key)), NoteKeyValue(us[row][i]));
                // A value is the character; on the digit row, the digit printed on the key.
                EXPECT_EQ(DigitKeyValue(key.virtualKey), hexValue(row == 0 ? us[0][i] : character));
            }
    // The US piano: Z to M a chromatic octave from C, its black keys a row up, Q on from 12.
    const std::string piano = "ZSXDCVGBHNJMQ2W3ER5T6Y7UI9O0P";
    for (std::size_t n = 0; n < piano.size(); ++n) EXPECT_EQ(NoteKeyValue(piano[n]), int(n));
    // Off the rows a key keeps its character, as one without a keycode does (the window tests').
    EXPECT_EQ(NoteTableKey(ReadEditorKey(119, vk::kDelete)), vk::kDelete);
}

}  // namespace
}  // namespace tarvel
