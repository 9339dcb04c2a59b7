#include <gtest/gtest.h>

#include <cstring>
#include <new>

#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using testing::TestDocument;

TEST(SongModel, NewSongKeepsEditorStateAndUnusedPatchNamesAndResendsPrograms) {
    TestDocument t(2);
    CFennoralDoc& doc = *t.doc;
    {
        std::lock_guard lock(doc.mutex);
        doc.editor.cursorLine = 7;
        doc.editor.loopStartRow = 128;
        doc.editor.loopEndRow = 256;
        doc.editor.patternClipboard.cells[0][0].note = 60;
        CopyText(doc.song.patchNames[200], "Kept");
        doc.song.patterns[3].cells[1][1].note = 61;
        doc.song.channelProgram[4] = 9;
    }
    t.TakeSent();

    doc.NewSong();

    EXPECT_EQ(doc.editor.cursorLine, 7);
    EXPECT_EQ(doc.editor.loopStartRow, 128);
    EXPECT_EQ(doc.editor.loopEndRow, 256);
    EXPECT_EQ(doc.editor.patternClipboard.cells[0][0].note, 60);
    EXPECT_STREQ(doc.song.patchNames[200], "Kept");
    EXPECT_EQ(doc.song.patterns[3].cells[1][1].note, kNoNote);
    EXPECT_EQ(doc.RefillProgramList().entries.size(), 128u);  // the General MIDI names
    for (const auto& channel : doc.song.soundingNote)
        for (std::int32_t note : channel) EXPECT_EQ(note, -1);  // nothing sounds
    const std::vector<std::string> sent = t.TakeSent();
    ASSERT_EQ(sent.size(), 32u);
    EXPECT_EQ(sent[8], "c4 00@0");
    EXPECT_EQ(sent[31], "cf 00@1");
}

TEST(SongModel, SlotsKeepTheirReservedByteAndACursorOffTheGridTouchesNothing) {
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    std::lock_guard lock(doc.mutex);
    doc.editor.currentPattern = 9;
    doc.editor.insertTranspose = -5;
    doc.editor.seqCursorRow = 100;
    doc.editor.seqCursorColumn = 15;
    doc.song.sequence[100][15].reserved = 7;
    doc.PutSequenceSlot();
    EXPECT_EQ(doc.song.sequence[100][15].reserved, 7);
    doc.ClearSequenceSlot();
    const SequenceSlot& slot = doc.song.sequence[100][15];
    EXPECT_TRUE(slot.pattern == kEmptySlot && slot.transpose == 0 && slot.reserved == 7);

    for (auto [row, column] : {std::pair{16384, 0}, {-1, 0}, {0, 16}, {0, -1}}) {
        doc.editor.seqCursorRow = row;
        doc.editor.seqCursorColumn = column;
        doc.PutSequenceSlot();
        doc.ClearSequenceSlot();
    }
    EXPECT_EQ(doc.song.sequence[0][0].pattern, kEmptySlot);
}

// Built on memory full of old bytes, a document still starts with no input edits waiting: the
// window thread would otherwise make undo steps of cells anywhere in memory.
TEST(SongModel, ANewDocumentHasNoInputEditsWhateverItsMemoryHeld) {
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
