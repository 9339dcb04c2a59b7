#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

#include "editor/HelperTexts.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using testing::TestDocument;

class Helper : public ::testing::Test {
  protected:
    // The three texts for `cell` under the cursor in `field`, as "row / value / status".
    std::string Texts(PatternCell cell, int field) {
        std::lock_guard lock(doc.mutex);
        doc.song.patterns[0].cells[0][0] = cell;
        doc.editor.cursorField = field;
        const HelperTexts texts = UpdateHelperTexts(doc.edit);
        return texts.row + " / " + texts.value + " / " + texts.status.value_or("(kept)");
    }
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
};

TEST_F(Helper, DescribesEachFieldOfTheCellUnderTheCursor) {
    EXPECT_EQ(Texts(kEmptyCell, 0), "Note / Default / ---");
    EXPECT_EQ(Texts({60, 0xFF, 0xFF, 0}, 0), "Note / 0x3C (60) / C-5");
    EXPECT_EQ(Texts({kNoteOff, 0xFF, 0xFF, 0}, 0), "Note / 0xFE (254) / off");
    EXPECT_EQ(Texts({0x9A, 0xFF, 0xFF, 0}, 0), "Note / 0x9A (154) / Not a MIDI note");
    EXPECT_EQ(Texts({0, 0x7F, 0xFF, 0}, 2), "Velo / 0x7F (127) / Note velocity");
    EXPECT_EQ(Texts(kEmptyCell, 1), "Velo / Default / Note velocity");
    EXPECT_EQ(Texts({0, 0, 0x00, 0}, 6), "Data / 0x00 (0) / Parameter argument");
}

TEST_F(Helper, NamesControllersAndCommands) {
    EXPECT_EQ(Texts({0, 0, 0x07, 0}, 3), "Control / 0x07 (7) / [MSB] Channel volume");
    EXPECT_EQ(Texts({0, 0, 0x90, 0}, 4), "Control / 0x90 (144) / Set BPM");
    EXPECT_EQ(Texts(kEmptyCell, 3), "Control / Default / None");
    EXPECT_EQ(Texts({0, 0, 0x61, 0}, 3), "Control / 0x61 (97) / [N/A] Data entry -1");
    EXPECT_EQ(Texts({0, 0, 0x7F, 0}, 3), "Control / 0x7F (127) / [000] Polu mode on");
    EXPECT_EQ(Texts({0, 0, 0x40, 0}, 3),
              "Control / 0x40 (64) / [SWI] Damper pedal on/off (Sustain)");
    EXPECT_EQ(Texts({0, 0, 0x6E, 0}, 3), "Control / 0x6E (110) / [???] Undefined");
    EXPECT_EQ(Texts({0, 0, 0xC0, 0}, 3), "Control / 0xC0 (192) / Unassigned (no effect)");
    EXPECT_EQ(Texts({0, 0, 0xF4, 0}, 3), "Control / 0xF4 (244) / [SYSMSG] Undefined");
}

TEST(ControllerNames, EveryControllerHasAName) {
    for (const auto& name : controllerNames) EXPECT_GT(std::strlen(name), 5u);
}

}  // namespace
}  // namespace tarvel
