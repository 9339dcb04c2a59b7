#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <climits>
#include <cstring>

#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;
using testing::TestDocument;

class PatternCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        t.Settle();
        lock = std::unique_lock(doc.mutex);
    }
    // The repaints asked for since the last call.
    std::vector<std::string> Repaints() { return t.TakeUiEvents(lock); }
    static bool Same(const Pattern& a, const Pattern& b) {
        return std::memcmp(&a, &b, sizeof a) == 0;
    }
    static bool IsEmptyPattern(const Pattern& pattern) {
        Pattern empty = pattern;  // the bytes after the name's NUL are not the reset's
        MakeEmptyPattern(empty);
        return Same(pattern, empty) && std::strcmp(pattern.name, "empty") == 0;
    }

    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    std::unique_lock<DocumentMutex> lock;
};

TEST_F(PatternCommands, CutAndPasteMoveAWholePattern) {
    Pattern& three = doc.song.patterns[3];
    SetPatternName(doc.song, 3, "Chorus");
    three.cells[255][15] = {60, 100, 0x80, 0};
    three.lineCount = 16;
    const Pattern original = three;

    doc.CutPattern(3);
    EXPECT_TRUE(IsEmptyPattern(three));
    EXPECT_THAT(Repaints(), ElementsAre("invalidate"));

    doc.PastePattern(9);
    EXPECT_TRUE(Same(doc.song.patterns[9], original));
    doc.PastePattern(10);  // the copy buffer keeps its content
    EXPECT_TRUE(Same(doc.song.patterns[10], original));
    EXPECT_THAT(Repaints(), ElementsAre("invalidate"));

    doc.song.patterns[9].cells[0][0].note = 1;
    doc.CopyPattern(9);
    doc.PastePattern(0);
    EXPECT_EQ(doc.song.patterns[0].cells[0][0].note, 1);
    EXPECT_EQ(doc.song.patterns[0].lineCount, 16);
}

TEST_F(PatternCommands, PasteBeforeAnyCopyGivesAnEmptyPattern) {
    doc.song.patterns[4].cells[1][1].note = 50;
    SetPatternName(doc.song, 4, "Busy");
    doc.song.patterns[4].lineCount = 128;
    doc.PastePattern(4);
    EXPECT_TRUE(IsEmptyPattern(doc.song.patterns[4]));
    EXPECT_EQ(doc.song.patterns[4].lineCount, 64);
}

TEST_F(PatternCommands, PatternNumbersOutsideTheSongAreIgnored) {
    doc.song.patterns[0].cells[0][0].note = 5;
    doc.CopyPattern(0);
    for (int pattern : {-1, 128, INT_MIN, INT_MAX}) {
        doc.CopyPattern(pattern);
        doc.CutPattern(pattern);
        doc.PastePattern(pattern);
    }
    EXPECT_EQ(doc.editor.patternClipboard.cells[0][0].note, 5);
}

TEST_F(PatternCommands, SteppingStaysInsideThePatternsAndGoesToTheTop) {
    const auto step = [&](int from, int delta) {
        doc.editor.currentPattern = from;
        doc.editor.cursorLine = 40;
        doc.editor.firstVisibleLine = 30;
        doc.StepCurrentPattern(delta);
        EXPECT_EQ(doc.editor.cursorLine, 0);
        EXPECT_EQ(doc.editor.firstVisibleLine, 0);
        return doc.editor.currentPattern;
    };
    EXPECT_EQ(step(5, 1), 6);
    EXPECT_EQ(step(5, -1), 4);
    EXPECT_EQ(step(127, 1), 127);
    EXPECT_EQ(step(0, -1), 0);
    EXPECT_EQ(step(0, INT_MIN), 0);
    EXPECT_EQ(step(127, INT_MAX), 127);
    EXPECT_THAT(Repaints(), ElementsAre("invalidate"));
}

TEST_F(PatternCommands, InsertTransposeStaysWithinNinetyNineSemitones) {
    const auto adjust = [&](int from, int delta) {
        doc.editor.insertTranspose = from;
        doc.AdjustInsertTranspose(delta);
        return doc.editor.insertTranspose;
    };
    EXPECT_EQ(adjust(0, 1), 1);
    EXPECT_EQ(adjust(0, -1), -1);
    EXPECT_EQ(adjust(99, 1), 99);
    EXPECT_EQ(adjust(-99, -1), -99);
    EXPECT_EQ(adjust(99, INT_MAX), 99);
    EXPECT_EQ(adjust(-99, INT_MIN), -99);
    // Slots already placed keep their transpose.
    doc.editor.seqCursorRow = 0;
    doc.editor.seqCursorColumn = 0;
    doc.PutSequenceSlot();
    doc.AdjustInsertTranspose(-1);
    EXPECT_EQ(doc.song.sequence[0][0].transpose, -99);
    EXPECT_THAT(Repaints(), ElementsAre("invalidate"));
}

TEST_F(PatternCommands, PropertiesTakeThirtyCharactersAndThreeDigits) {
    doc.editor.currentPattern = 12;
    const auto lines = [&](const char* text) {
        doc.ApplyPatternProperties("Name", text);
        return doc.song.patterns[12].lineCount;
    };
    EXPECT_EQ(lines("64"), 64);
    EXPECT_EQ(lines("0"), 1);
    EXPECT_EQ(lines("999"), 256);
    EXPECT_EQ(lines("1000"), 100);  // only the first three characters count
    EXPECT_EQ(lines("256"), 256);
    EXPECT_EQ(lines("257"), 256);
    EXPECT_EQ(lines(""), 1);
    EXPECT_EQ(lines("abc"), 1);
    EXPECT_EQ(lines("12x"), 12);
    EXPECT_EQ(lines("007"), 7);

    doc.ApplyPatternProperties(std::string(40, 'n'), "32");
    EXPECT_EQ(std::string(doc.song.patterns[12].name), std::string(30, 'n'));
    EXPECT_EQ(doc.song.patterns[12].lineCount, 32);
    EXPECT_STREQ(doc.song.patterns[11].name, "empty");
    EXPECT_THAT(Repaints(), ElementsAre("invalidate"));
}

}  // namespace
}  // namespace tarvel
