// The song as the document keeps it: a new song, whole patterns cut, copied and pasted, the
// current pattern and the insert transpose, pattern properties and sequencer slots.
#include <gmock/gmock.h>

#include <bitset>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <tuple>

#include "song/CellCommandValues.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;

using SongModel = testing::DocumentTest;

TEST_F(SongModel, NewSongKeepsEditorStateAndUnusedPatchNamesAndResendsPrograms) {
    e.cursorLine = 7;
    e.loopStartRow = 128;
    e.loopEndRow = 256;
    e.patternClipboard.cells[0][0].note = 60;
    CopyText(doc.song.patchNames[200], "Kept");
    Cell(1, 1, 3).note = 61;
    doc.song.channelProgram[4] = 9;
    doc.song.soundingNote[4][2] = 50;  // released, and gone from the new song's table
    SongHeader& h = doc.song.header;
    for (char* text : {h.author, h.band, h.date, h.comments}) text[0] = 'x';
    CopyText(doc.song.patchNames[0], "Mine");
    doc.song.patchCount = 7;

    doc.NewSong();

    EXPECT_EQ((std::vector<int>{e.cursorLine, e.loopStartRow, e.loopEndRow,
                                e.patternClipboard.cells[0][0].note, Cell(1, 1, 3).note}),
              (std::vector<int>{7, 128, 256, 60, kNoNote}));
    EXPECT_STREQ(doc.song.patchNames[200], "Kept");
    EXPECT_EQ(std::string(h.author) + h.band + h.date + h.comments + doc.song.patchNames[0],
              kDefaultPatchNames[0]);
    EXPECT_EQ(doc.song.patchCount, 128);
    EXPECT_THAT(doc.song.soundingNote, ::testing::Each(::testing::Each(-1)));  // nothing sounds
    const std::vector<std::string> sent = t.TakeSent();
    ASSERT_EQ(sent.size(), 33u);
    EXPECT_EQ(sent[9], "c4 00@0");
    EXPECT_EQ(sent[32], "cf 00@1");
}

TEST_F(SongModel, SlotsKeepTheirReservedByteAndACursorOrPatternOffTheGridTouchesNothing) {
    Hold();
    e.currentPattern = 9;
    e.insertTranspose = -5;
    e.seqCursorRow = 100;
    e.seqCursorColumn = 15;
    doc.song.sequence[100][15].reserved = 7;
    doc.PutSequenceSlot();
    doc.ClearSequenceSlot();
    const SequenceSlot& slot = doc.song.sequence[100][15];
    EXPECT_TRUE(slot.pattern == kEmptySlot && slot.transpose == 0 && slot.reserved == 7);

    // Pattern numbers outside the table are ignored too.
    const auto before = std::make_unique<Song>(doc.song);
    for (auto [row, column, pattern] :
         {std::tuple{16384, 0, -1}, {-1, 0, 128}, {0, 16, INT_MIN}, {0, -1, INT_MAX}}) {
        e.seqCursorRow = row;
        e.seqCursorColumn = column;
        doc.PutSequenceSlot();
        doc.ClearSequenceSlot();
        doc.CopyPattern(pattern);
        doc.CutPattern(pattern);
        doc.PastePattern(pattern);
        ResetPattern(doc.song, pattern);
        SetPatternName(doc.song, pattern, "x");
        SetPatternLineCount(doc.song, pattern, 7);
    }
    EXPECT_EQ(std::memcmp(before.get(), &doc.song, sizeof(Song)), 0);
    EXPECT_EQ(e.patternClipboard.cells[0][0].note, kNoNote);  // nothing copied
}

TEST_F(SongModel, CutAndPasteMoveAWholePatternAndPasteBeforeAnyCopyEmptiesIt) {
    Hold();
    const auto same = [](const Pattern& a, const Pattern& b) {
        return !std::memcmp(&a, &b, sizeof a);
    };
    Pattern& three = doc.song.patterns[3];
    SetPatternName(doc.song, 3, "Chorus");
    three.cells[255][15] = {60, 100, 0x80, 0};
    three.lineCount = 16;
    const Pattern original = three;
    Pattern empty = original;
    MakeEmptyPattern(empty);  // the bytes after the name's NUL stay

    doc.PastePattern(3);  // nothing copied yet
    EXPECT_TRUE(same(three, empty));
    three = original;
    doc.CutPattern(3);
    EXPECT_TRUE(same(three, empty));
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));

    doc.PastePattern(9);
    doc.PastePattern(10);  // the copy buffer keeps its content
    EXPECT_TRUE(same(doc.song.patterns[9], original) && same(doc.song.patterns[10], original));
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));
}

// The built-in synth loads a program's samples before play, never on the clock: every channel's
// program and every program-change cell's value, and no controller's value.
TEST_F(SongModel, PlayMakesReadyTheChannelsAndTheCellsProgramsOnly) {
    doc.song.channelProgram[4] = 9;
    Cell(1, 1, 3) = {60, 100, cell::kProgramChange, 42};
    Cell(2, 1, 3) = {60, 100, 0x07, 77};
    doc.PrepareSongPrograms();
    EXPECT_EQ(t.midi.prepared, std::bitset<128>().set(0).set(9).set(42));
}

TEST_F(SongModel, SteppingTheInsertTransposeAndPatternPropertiesStayInTheirRanges) {
    Hold();
    struct Case {
        int from, delta, pattern, transpose;
    };
    for (const Case c : {Case{5, 1, 6, 6}, Case{127, 1, 127, 99}, Case{0, -1, 0, -1},
                         Case{0, INT_MIN, 0, -99}, Case{127, INT_MAX, 127, 99}}) {
        SCOPED_TRACE(::testing::Message() << c.from << " by " << c.delta);
        e.currentPattern = e.insertTranspose = c.from;
        e.cursorLine = 40;
        e.firstVisibleLine = 30;
        doc.StepCurrentPattern(c.delta);
        doc.AdjustInsertTranspose(c.delta);
        // A new pattern shows from its top.
        EXPECT_EQ(std::tuple(e.currentPattern, e.insertTranspose, e.cursorLine, e.firstVisibleLine),
                  std::tuple(c.pattern, c.transpose, 0, 0));
    }
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));

    // Pattern properties take thirty characters and three digits.
    e.currentPattern = 12;
    for (const auto& [text, lines] :
         {std::pair{"0", 1}, {"999", 256}, {"1000", 100}, {"", 1}, {"12x", 12}}) {
        doc.ApplyPatternProperties("Name", text);
        EXPECT_EQ(doc.song.patterns[12].lineCount, lines) << text;
    }
    doc.ApplyPatternProperties("N" + std::string(39, 'n'), "32");
    EXPECT_EQ(std::string(doc.song.patterns[12].name), "N" + std::string(29, 'n'));
    EXPECT_STREQ(doc.song.patterns[11].name, "empty");
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));
}

// Built on memory full of old bytes, a document still starts with no input edits waiting: the
// window thread would otherwise make undo steps of cells anywhere in memory.
TEST(NewDocument, HasNoInputEditsWhateverItsMemoryHeld) {
    testing::RecordingUi ui;
    RecordingMidiOut midi(1);
    void* storage = ::operator new(sizeof(CFennoralDoc));
    std::memset(storage, 0xA5, sizeof(CFennoralDoc));
    auto* doc = new (storage) CFennoralDoc(ui, midi, DocOptions{false});
    EXPECT_EQ(doc->inputRecording.pendingCount, 0);
    EXPECT_EQ(doc->inputRecording.overflowed + doc->inputRecording.recordVelocity, 0);
    EXPECT_FALSE(doc->history.IsChanged());
    doc->~CFennoralDoc();
    ::operator delete(storage);
}

}  // namespace
}  // namespace tarvel
