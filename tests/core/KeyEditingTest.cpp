#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "editor/KeyEditing.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::TestDocument;

class KeyEditing : public ::testing::Test {
  protected:
    void SetUp() override { t.Settle(); }
    void Press(int key, bool shift = false) { EditorKeyDown(doc.edit, key, shift); }
    void Release(int key) { EditorKeyUp(doc.edit, key); }
    void Type(int key) {
        Press(key);
        Release(key);
    }
    PatternCell& Cell(int line, int track = 0) {
        return doc.song.patterns[doc.editor.currentPattern].cells[line][track];
    }
    std::vector<std::string> Signals() {
        t.ui.Clear();
        doc.DispatchUiSignals();
        return t.ui.Events();
    }

    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    EditorState& e = doc.editor;
};

TEST_F(KeyEditing, LineMovesStopAtThePatternEndsAndScrollTheShownLines) {
    e.cursorLine = 63;
    Press(vk::kDown);
    EXPECT_EQ(e.cursorLine, 63);

    e.cursorLine = 60;
    e.firstVisibleLine = 36;
    Press(vk::kNext);
    EXPECT_EQ(e.cursorLine, 63);
    EXPECT_EQ(e.firstVisibleLine, 39);

    e.cursorLine = 5;
    Press(vk::kPrior);
    EXPECT_EQ(e.cursorLine, 0);
    EXPECT_EQ(e.firstVisibleLine, 0);

    e.cursorLine = 24;
    Press(vk::kDown);
    EXPECT_EQ(e.firstVisibleLine, 1);
    Press(vk::kUp);
    EXPECT_EQ(e.firstVisibleLine, 1);  // the cursor moves within the shown lines first
    EXPECT_THAT(Signals(), ElementsAre("invalidate"));
}

TEST_F(KeyEditing, DamagedLineCountsKeepTheCursorInsideThePattern) {
    doc.song.patterns[0].lineCount = 100000;
    e.cursorLine = 250;
    Press(vk::kNext);
    EXPECT_EQ(e.cursorLine, 255);

    doc.song.patterns[0].lineCount = -3;
    Press(vk::kDown);
    EXPECT_EQ(e.cursorLine, 0);
    EXPECT_EQ(e.firstVisibleLine, 0);
}

TEST_F(KeyEditing, TrackAndFieldMovesWrapAroundTheSixteenTracks) {
    e.cursorTrack = 15;
    e.firstVisibleTrack = 12;
    e.cursorField = 6;
    Press(vk::kRight);
    EXPECT_EQ(e.cursorField, 0);
    EXPECT_EQ(e.cursorTrack, 0);
    EXPECT_EQ(e.firstVisibleTrack, 0);

    Press(vk::kLeft);
    EXPECT_EQ(e.cursorField, 6);
    EXPECT_EQ(e.cursorTrack, 15);
    EXPECT_EQ(e.firstVisibleTrack, 12);

    Press(vk::kLeft);
    EXPECT_EQ(e.cursorField, 5);
    EXPECT_EQ(e.cursorTrack, 15);
}

TEST_F(KeyEditing, TabGoesToTheNoteOfTheNextTrackAndShiftTabBack) {
    e.cursorTrack = 2;
    e.cursorField = 4;
    Press(vk::kTab);
    EXPECT_EQ(e.cursorField, 0);
    EXPECT_EQ(e.cursorTrack, 3);

    e.cursorTrack = 0;
    e.cursorField = 3;
    Press(vk::kTab, /*shift=*/true);
    EXPECT_EQ(e.cursorField, 0);
    EXPECT_EQ(e.cursorTrack, 15);
    EXPECT_EQ(e.firstVisibleTrack, 12);
    EXPECT_THAT(t.TakeSent(), IsEmpty());
}

TEST_F(KeyEditing, WithoutRecordANoteKeyOnlySoundsUntilItIsReleased) {
    e.currentChannel = 2;
    e.cursorTrack = 5;
    doc.song.channelVelocity[2] = 90;
    Press('Q');
    EXPECT_THAT(t.TakeSent(), ElementsAre("92 3c 5a@0"));
    EXPECT_EQ(Cell(0, 5).note, kNoNote);
    EXPECT_EQ(e.cursorLine, 0);

    Release('Q');
    EXPECT_THAT(t.TakeSent(), ElementsAre("82 3c 64@0"));

    Type('1');  // note off and clear write nothing and sound nothing without record
    Type(vk::kDelete);
    EXPECT_THAT(t.TakeSent(), IsEmpty());
    EXPECT_EQ(e.cursorLine, 0);
}

TEST_F(KeyEditing, RecordWritesTheNoteAndAutoRepeatFillsSuccessiveLines) {
    ToggleRecord(doc.edit);
    Cell(0) = {kNoNote, 0x40, 0x07, 0x22};
    Press('Q');
    EXPECT_EQ(Cell(0).note, 60);
    EXPECT_EQ(Cell(0).velocity, 0x40);  // only the note byte is written
    EXPECT_EQ(Cell(0).parameter, 0x22);
    Press('Q');  // auto-repeat: the next line, and the note starts again
    Press('Q');
    Release('Q');
    EXPECT_EQ(Cell(1).note, 60);
    EXPECT_EQ(Cell(2).note, 60);
    EXPECT_EQ(e.cursorLine, 3);
    EXPECT_THAT(t.TakeSent(), ElementsAre("90 3c 64@0", "80 3c 64@0", "90 3c 64@0", "80 3c 64@0",
                                          "90 3c 64@0", "80 3c 64@0"));

    e.cursorLine = 63;
    Type('Z');
    Type('X');  // the last line stays under the cursor and is overwritten
    EXPECT_EQ(e.cursorLine, 63);
    EXPECT_EQ(Cell(63).note, 50);
}

TEST_F(KeyEditing, RecordWritesNoteOffAndClearSilently) {
    ToggleRecord(doc.edit);
    Cell(0).note = 60;
    Type('1');
    Type(vk::kDelete);
    EXPECT_EQ(Cell(0).note, kNoteOff);
    EXPECT_EQ(Cell(1).note, kNoNote);
    EXPECT_EQ(e.cursorLine, 2);
    EXPECT_THAT(t.TakeSent(), IsEmpty());
}

TEST_F(KeyEditing, OctaveCommandsStopAtZeroAndEight) {
    for (int i = 0; i < 6; ++i) ShiftOctave(doc.edit, +1);
    EXPECT_EQ(e.octave, 8);
    Press('P');
    EXPECT_THAT(t.TakeSent(), ElementsAre("90 7c 64@0"));  // 124, the highest note the keys reach

    for (int i = 0; i < 10; ++i) ShiftOctave(doc.edit, -1);
    EXPECT_EQ(e.octave, 0);
    Press('Z');
    EXPECT_THAT(t.TakeSent(), ElementsAre("80 7c 64@0", "90 00 64@0"));
    EXPECT_THAT(Signals(), IsEmpty());  // the octave is not shown
}

TEST_F(KeyEditing, KeysOutsideTheNoteTableDoNothing) {
    for (int key : std::initializer_list<int>{'A', 'F', 'K', 'L', '4', '8', vk::kNumpad0 + 5,
                                              vk::kHome, vk::kReturn})
        Press(key);
    EXPECT_THAT(t.TakeSent(), IsEmpty());
    EXPECT_THAT(Signals(), IsEmpty());
}

TEST_F(KeyEditing, HexDigitsFillEachFieldAndStepOneLine) {
    ToggleRecord(doc.edit);
    e.editStep = 4;  // digits always step one line
    e.cursorField = 1;
    Type('7');
    EXPECT_EQ(Cell(0).velocity, 0x70);  // an empty velocity keeps a low digit of 0
    EXPECT_EQ(e.cursorLine, 1);
    EXPECT_EQ(e.cursorField, 1);

    e.cursorField = 2;
    Type('B');
    EXPECT_EQ(Cell(1).velocity, 0x0B);  // ... and a high digit of 0

    e.cursorLine = 0;
    Type('C');
    EXPECT_EQ(Cell(0).velocity, 0x7C);

    e.cursorLine = 0;
    e.cursorField = 3;
    Type('B');
    e.cursorLine = 0;
    e.cursorField = 4;
    Type('0');
    EXPECT_EQ(Cell(0).command, 0xB0);

    e.cursorLine = 0;
    e.cursorField = 5;
    Type('F');
    e.cursorLine = 0;
    e.cursorField = 6;
    Type('1');
    EXPECT_EQ(Cell(0).parameter, 0xF1);
    EXPECT_EQ(Cell(0).note, kNoNote);
    EXPECT_THAT(t.TakeSent(), IsEmpty());  // digits never sound
}

TEST_F(KeyEditing, DeleteEmptiesVelocityAndCommandButZeroesTheParameter) {
    ToggleRecord(doc.edit);
    for (int field = 1; field <= 6; ++field) {
        Cell(field) = {60, 0x40, 0x07, 0x22};
        e.cursorLine = field;
        e.cursorField = field;
        Type(vk::kDelete);
    }
    EXPECT_EQ(Cell(1).velocity, 0xFF);
    EXPECT_EQ(Cell(2).velocity, 0xFF);
    EXPECT_EQ(Cell(3).command, 0xFF);
    EXPECT_EQ(Cell(4).command, 0xFF);
    EXPECT_EQ(Cell(5).parameter, 0x00);
    EXPECT_EQ(Cell(6).parameter, 0x00);
    EXPECT_EQ(Cell(6).note, 60);
}

TEST_F(KeyEditing, DigitsNeedRecordAndOnlyHexKeysCount) {
    e.cursorField = 5;
    Type('7');
    EXPECT_EQ(Cell(0).parameter, 0);
    EXPECT_EQ(e.cursorLine, 0);

    ToggleRecord(doc.edit);
    Type('G');
    Type(vk::kNumpad0 + 7);
    EXPECT_EQ(Cell(0).parameter, 0);
    EXPECT_EQ(e.cursorLine, 0);
}

TEST_F(KeyEditing, SequencerPaneScrollsRowsAndChangesChannel) {
    e.sequencerFocus = 1;
    e.seqCursorRow = 5;
    Press(vk::kUp);
    EXPECT_EQ(e.seqCursorRow, 0);
    EXPECT_EQ(e.seqTopRow, 0);

    e.seqCursorRow = 16380;
    e.seqTopRow = 16300;
    Press(vk::kDown);
    EXPECT_EQ(e.seqCursorRow, 16383);
    EXPECT_EQ(e.seqTopRow, 16316);
    t.Settle();

    Press(vk::kLeft);
    EXPECT_EQ(e.currentChannel, 15);
    EXPECT_THAT(Signals(), ElementsAre("panel", "invalidate"));
    Press(vk::kRight);
    EXPECT_EQ(e.currentChannel, 0);

    ToggleRecord(doc.edit);
    Press('Q');
    Press(vk::kTab);
    EXPECT_EQ(Cell(0).note, kNoNote);
    EXPECT_EQ(e.cursorTrack, 0);
    EXPECT_THAT(t.TakeSent(), IsEmpty());
}

TEST_F(KeyEditing, KeyUpReleasesTheNoteItsKeyStartedWhereverTheCursorWent) {
    Press('Q');
    Press(vk::kTab);  // the cursor and the channel move while the key is held
    {
        std::lock_guard lock(doc.mutex);
        MoveCurrentChannel(doc.edit, +1);
    }
    Release(vk::kTab);
    Release(vk::kDown);
    EXPECT_THAT(t.TakeSent(), ElementsAre("90 3c 64@0"));
    e.sequencerFocus = 1;  // in either pane
    Release('Q');
    EXPECT_THAT(t.TakeSent(), ElementsAre("80 3c 64@0"));

    // A second key in the same slot takes the note over: the first key's release leaves it.
    e.sequencerFocus = 0;
    Press('Q');
    Press('W');
    Release('Q');
    EXPECT_THAT(t.TakeSent(), ElementsAre("91 3c 64@0", "81 3c 64@0", "91 3e 64@0"));
    Release('W');
    EXPECT_THAT(t.TakeSent(), ElementsAre("81 3e 64@0"));
}

TEST_F(KeyEditing, EditsHoldTheLockWhileThePlayerReads) {
    ToggleRecord(doc.edit);
    std::atomic<bool> done{false};
    std::thread reader([&] {
        int seen = 0;
        while (!done.load()) {
            std::lock_guard lock(doc.mutex);
            seen += Cell(doc.editor.cursorLine).note + doc.song.soundingNote[0][0];
        }
        (void)seen;
    });
    for (int i = 0; i < 200; ++i) {
        Press(i % 2 ? 'Q' : 'W');
        Release('Q');
        if (doc.editor.cursorLine == 63) Press(vk::kPrior);
    }
    done = true;
    reader.join();
    EXPECT_EQ(Cell(0).note, 62);
}

}  // namespace
}  // namespace tarvel
