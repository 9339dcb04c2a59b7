#include <gmock/gmock.h>

#include <climits>
#include <cstring>

#include "support/DocumentTest.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;

class PatternCommands : public testing::DocumentTest {
  protected:
    void SetUp() override { Hold(); }
    static bool Same(const Pattern& a, const Pattern& b) {
        return std::memcmp(&a, &b, sizeof a) == 0;
    }
};

TEST_F(PatternCommands, CutAndPasteMoveAWholePatternAndPasteBeforeAnyCopyEmptiesIt) {
    Pattern& three = doc.song.patterns[3];
    SetPatternName(doc.song, 3, "Chorus");
    three.cells[255][15] = {60, 100, 0x80, 0};
    three.lineCount = 16;
    const Pattern original = three;
    Pattern empty = original;
    MakeEmptyPattern(empty);  // the bytes after the name's NUL stay

    doc.PastePattern(3);  // nothing copied yet
    EXPECT_TRUE(Same(three, empty));
    three = original;
    doc.CutPattern(3);
    EXPECT_TRUE(Same(three, empty));
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));

    doc.PastePattern(9);
    EXPECT_TRUE(Same(doc.song.patterns[9], original));
    doc.PastePattern(10);  // the copy buffer keeps its content
    EXPECT_TRUE(Same(doc.song.patterns[10], original));
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));

    doc.song.patterns[9].cells[0][0].note = 1;
    doc.CopyPattern(9);
    for (int outside : {-1, 128, INT_MIN, INT_MAX}) {  // pattern numbers outside: ignored
        doc.CopyPattern(outside);
        doc.CutPattern(outside);
        doc.PastePattern(outside);
    }
    doc.PastePattern(0);
    EXPECT_EQ(doc.song.patterns[0].cells[0][0].note, 1);
    EXPECT_EQ(doc.song.patterns[0].lineCount, 16);
}

TEST_F(PatternCommands, SteppingAndTheInsertTransposeStayInTheirRanges) {
    struct Case {
        int from, delta, pattern, transpose;
    };
    for (const Case c :
         {Case{5, 1, 6, 6}, Case{5, -1, 4, 4}, Case{127, 1, 127, 99}, Case{0, -1, 0, -1},
          Case{0, INT_MIN, 0, -99}, Case{127, INT_MAX, 127, 99}, Case{-99, -1, 0, -99}}) {
        SCOPED_TRACE(c.from);
        e.currentPattern = e.insertTranspose = c.from;
        e.cursorLine = 40;
        e.firstVisibleLine = 30;
        doc.StepCurrentPattern(c.delta);
        doc.AdjustInsertTranspose(c.delta);
        EXPECT_EQ(e.currentPattern, c.pattern);
        EXPECT_EQ(e.insertTranspose, c.transpose);
        EXPECT_EQ(e.cursorLine + e.firstVisibleLine, 0);  // a new pattern shows from its top
    }
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));
}

TEST_F(PatternCommands, PropertiesTakeThirtyCharactersAndThreeDigits) {
    e.currentPattern = 12;
    const std::pair<const char*, int> cases[] = {
        {"64", 64},   {"0", 1}, {"999", 256}, {"1000", 100}, {"256", 256},
        {"257", 256}, {"", 1},  {"abc", 1},   {"12x", 12},   {"007", 7}};
    for (const auto& [text, lines] : cases) {
        doc.ApplyPatternProperties("Name", text);
        EXPECT_EQ(doc.song.patterns[12].lineCount, lines) << text;
    }
    doc.ApplyPatternProperties(std::string(40, 'n'), "32");
    EXPECT_EQ(std::string(doc.song.patterns[12].name), std::string(30, 'n'));
    EXPECT_STREQ(doc.song.patterns[11].name, "empty");
    EXPECT_THAT(UiEvents(), ElementsAre("invalidate"));
}

}  // namespace
}  // namespace tarvel
