#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

#include "editor/HelperTexts.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

TEST(HelperTexts, DescribeTheFieldUnderTheCursorAndNameControllersAndCommands) {
    struct Case {
        PatternCell cell;
        int field;
        const char* texts;  // row / value / status
    };
    const Case cases[] = {
        {kEmptyCell, 0, "Note / Default / ---"},
        {{60, 0xFF, 0xFF, 0}, 0, "Note / 0x3C (60) / C-5"},
        {{kNoteOff, 0xFF, 0xFF, 0}, 0, "Note / 0xFE (254) / off"},
        {{0x9A, 0xFF, 0xFF, 0}, 0, "Note / 0x9A (154) / Not a MIDI note"},
        {{0, 0x7F, 0xFF, 0}, 2, "Velo / 0x7F (127) / Note velocity"},
        {kEmptyCell, 1, "Velo / Default / Note velocity"},
        {{0, 0, 0x00, 0}, 6, "Data / 0x00 (0) / Parameter argument"},
        {{0, 0, 0x07, 0}, 3, "Control / 0x07 (7) / [MSB] Channel volume"},
        {{0, 0, 0x90, 0}, 4, "Control / 0x90 (144) / Set BPM"},
        {kEmptyCell, 3, "Control / Default / None"},
        {{0, 0, 0xC0, 0}, 3, "Control / 0xC0 (192) / Unassigned (no effect)"},
    };
    testing::TestDocument t;
    CFennoralDoc& doc = *t.doc;
    std::lock_guard lock(doc.mutex);
    for (const Case& c : cases) {
        doc.song.patterns[0].cells[0][0] = c.cell;
        doc.editor.cursorField = c.field;
        const HelperTexts texts = UpdateHelperTexts(doc.edit);
        EXPECT_EQ(texts.row + " / " + texts.value + " / " + texts.status.value_or("(kept)"),
                  c.texts);
    }
    for (const auto& name : controllerNames) EXPECT_GT(std::strlen(name), 5u);  // none missing
}

}  // namespace
}  // namespace tarvel
