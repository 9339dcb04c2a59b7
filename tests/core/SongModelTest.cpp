#include <gtest/gtest.h>

#include <cstring>

#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using testing::TestDocument;

// Reads the song image the way a file holds it, at offsets of the song stream (5-byte magic
// first), so a layout slip shows up as a wrong byte rather than a wrong field.
class SongImage {
  public:
    explicit SongImage(const Song& song) : bytes_(reinterpret_cast<const std::uint8_t*>(&song)) {}
    std::uint8_t Byte(std::size_t streamOffset) const { return bytes_[streamOffset - 5]; }
    std::int32_t Int(std::size_t streamOffset) const {
        const std::uint8_t* p = bytes_ + streamOffset - 5;
        return static_cast<std::int32_t>(p[0] | p[1] << 8 | p[2] << 16 |
                                         static_cast<std::uint32_t>(p[3]) << 24);
    }
    std::string Text(std::size_t streamOffset) const {
        return reinterpret_cast<const char*>(bytes_ + streamOffset - 5);
    }

  private:
    const std::uint8_t* bytes_;
};

TEST(SongModel, ResetSongLeavesTheImageOfAnEmptySong) {
    TestDocument t;
    SongImage image(t.doc->song);

    EXPECT_EQ(image.Int(5), 120);
    for (std::size_t header : {9u, 41u, 73u, 105u}) EXPECT_EQ(image.Byte(header), 0);
    for (int k : {0, 1, 64, 127}) {
        const std::size_t pattern = 2153 + static_cast<std::size_t>(k) * 16420;
        EXPECT_EQ(image.Text(pattern), "empty");
        EXPECT_EQ(image.Byte(pattern + 32), 0xFF);                      // first cell's note
        EXPECT_EQ(image.Byte(pattern + 32 + 1), 0xFF);                  // velocity
        EXPECT_EQ(image.Byte(pattern + 32 + 2), 0xFF);                  // command
        EXPECT_EQ(image.Byte(pattern + 32 + 3), 0x00);                  // parameter
        EXPECT_EQ(image.Byte(pattern + 32 + 255 * 64 + 15 * 4), 0xFF);  // last cell
        EXPECT_EQ(image.Int(pattern + 16416), 64);
    }
    EXPECT_EQ(image.Text(2103913), "0");
    EXPECT_EQ(image.Text(2103913 + 15 * 32), "15");
    for (int ch = 0; ch < 16; ++ch) {
        EXPECT_EQ(image.Byte(2104425 + ch), 0);    // channelDevice
        EXPECT_EQ(image.Byte(2104441 + ch), 0);    // channelProgram
        EXPECT_EQ(image.Byte(2105481 + ch), 100);  // channelVelocity
    }
    for (int slot = 0; slot < 256; ++slot) EXPECT_EQ(image.Int(2104457 + slot * 4), -1);
    EXPECT_EQ(image.Int(2105497), 128);
    EXPECT_EQ(image.Text(2105501), "Acoustic Grand");
    EXPECT_EQ(image.Text(2105501 + 34 * 32), "Picked Bas");
    EXPECT_EQ(image.Text(2105501 + 21 * 32), "Accordian");
    EXPECT_EQ(image.Text(2105501 + 77 * 32), "Shakuhchi");
    EXPECT_EQ(image.Text(2105501 + 79 * 32), "Ocorina");
    EXPECT_EQ(image.Text(2105501 + 127 * 32), "Gunshot");
    for (std::size_t row : {0u, 1u, 16383u}) {
        const std::size_t slot = 2121885 + row * 48 + 15 * 3;
        EXPECT_EQ(image.Byte(slot), 0xFF);
        EXPECT_EQ(image.Byte(slot + 1), 0);
        EXPECT_EQ(image.Byte(slot + 2), 0);
    }
}

TEST(SongModel, NewSongKeepsEditorStateAndUnusedPatchNamesAndResendsPrograms) {
    TestDocument t(2);
    CFennoralDoc& doc = *t.doc;
    {
        std::lock_guard lock(doc.mutex);
        doc.editor.cursorLine = 7;
        doc.editor.octave = 6;
        doc.editor.loopStartRow = 128;
        doc.editor.loopEndRow = 256;
        doc.editor.currentPattern = 5;
        doc.editor.patternClipboard.cells[0][0].note = 60;
        CopyText(doc.song.patchNames[200], "Kept");
        doc.song.patterns[3].cells[1][1].note = 61;
        doc.song.channelProgram[4] = 9;
    }
    t.TakeSent();

    doc.NewSong();

    EXPECT_EQ(doc.editor.cursorLine, 7);
    EXPECT_EQ(doc.editor.octave, 6);
    EXPECT_EQ(doc.editor.loopStartRow, 128);
    EXPECT_EQ(doc.editor.loopEndRow, 256);
    EXPECT_EQ(doc.editor.currentPattern, 5);
    EXPECT_EQ(doc.editor.patternClipboard.cells[0][0].note, 60);
    EXPECT_STREQ(doc.song.patchNames[200], "Kept");
    EXPECT_EQ(doc.song.patterns[3].cells[1][1].note, kNoNote);

    std::vector<std::string> expected;
    for (int ch = 0; ch < 16; ++ch) {
        char status[3];
        std::snprintf(status, sizeof status, "%02x", 0xC0 + ch);
        expected.push_back(std::string(status) + " 00@0");
        expected.push_back(std::string(status) + " 00@1");
    }
    EXPECT_EQ(t.TakeSent(), expected);
}

TEST(SongModel, PatternAndSlotOperations) {
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    std::lock_guard lock(doc.mutex);

    // Shortening never touches cells: they come back when the pattern grows again.
    doc.song.patterns[2].cells[40][3].note = 50;
    SetPatternLineCount(doc.song, 2, 16);
    EXPECT_EQ(GetPatternLineCount(doc.song, 2), 16);
    SetPatternLineCount(doc.song, 2, 64);
    EXPECT_EQ(doc.song.patterns[2].cells[40][3].note, 50);

    // A name keeps the bytes after its NUL.
    std::memset(doc.song.patterns[1].name, 'x', kNameSize);
    SetPatternName(doc.song, 1, "Verse");
    EXPECT_STREQ(doc.song.patterns[1].name, "Verse");
    EXPECT_EQ(doc.song.patterns[1].name[6], 'x');

    doc.editor.currentPattern = 9;
    doc.editor.insertTranspose = -5;
    doc.editor.seqCursorRow = 100;
    doc.editor.seqCursorColumn = 15;
    doc.song.sequence[100][15].reserved = 7;
    doc.PutSequenceSlot();
    EXPECT_EQ(doc.song.sequence[100][15].pattern, 9);
    EXPECT_EQ(static_cast<std::uint8_t>(doc.song.sequence[100][15].transpose), 251);
    doc.ClearSequenceSlot();
    EXPECT_EQ(doc.song.sequence[100][15].pattern, kEmptySlot);
    EXPECT_EQ(doc.song.sequence[100][15].transpose, 0);
    EXPECT_EQ(doc.song.sequence[100][15].reserved, 7);

    // A cursor off the grid touches nothing.
    for (auto [row, column] : {std::pair{16384, 0}, {-1, 0}, {0, 16}, {0, -1}}) {
        doc.editor.seqCursorRow = row;
        doc.editor.seqCursorColumn = column;
        doc.PutSequenceSlot();
        doc.ClearSequenceSlot();
    }
    EXPECT_EQ(doc.song.sequence[0][0].pattern, kEmptySlot);
}

TEST(EditorState, StartsWithItsInitialValuesAndEmptyCopyBuffers) {
    TestDocument t;
    const EditorState& editor = t.doc->editor;
    EXPECT_EQ(editor.octave, 4);
    EXPECT_EQ(editor.editStep, 1);
    EXPECT_EQ(editor.seqStep, 16);
    EXPECT_EQ(editor.loopStartRow, 0);
    EXPECT_EQ(editor.loopEndRow, 64);
    EXPECT_EQ(editor.recordMode, 0);
    EXPECT_EQ(editor.clipboardValid, 0);
    for (const Pattern* buffer : {&editor.blockClipboard, &editor.patternClipboard}) {
        EXPECT_STREQ(buffer->name, "empty");
        const std::int32_t lineCount = buffer->lineCount;  // packed: no reference to it
        EXPECT_EQ(lineCount, 64);
        EXPECT_EQ(std::memcmp(&buffer->cells[255][15], &kEmptyCell, 4), 0);
    }
}

}  // namespace
}  // namespace tarvel
