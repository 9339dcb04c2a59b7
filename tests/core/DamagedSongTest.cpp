// Every damaged song of the corpus loads as it is and goes through everything in the core that
// reads a song, without reading or writing outside it or dividing by zero (the sanitizer
// builds of these tests are what catch a slip).
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <mutex>

#include "editor/BlockCommands.h"
#include "editor/DisplayModel.h"
#include "editor/HelperTexts.h"
#include "editor/KeyEditing.h"
#include "editor/MouseEditing.h"
#include "editor/VirtualKeys.h"
#include "song/SongFile.h"
#include "support/DamagedSongs.h"
#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

using testing::DamagedSong;
using testing::TempFolder;
using testing::TestDocument;

class DamagedSongs : public ::testing::TestWithParam<DamagedSong> {};

std::vector<std::uint8_t> StreamOf(CFennoralDoc& doc) {
    std::vector<std::uint8_t> stream;
    std::lock_guard lock(doc.mutex);
    WriteSongStream(doc.song, doc.editor.loopStartRow, doc.editor.loopEndRow, stream);
    return stream;
}

TEST_P(DamagedSongs, LoadAsTheyAreAndStayInsideTheSong) {
    TestDocument t(2);
    CFennoralDoc& doc = *t.doc;
    const std::vector<std::uint8_t> file = testing::DamagedSongFile(GetParam());
    std::vector<std::uint8_t> expected;
    ASSERT_TRUE(DecodeSongFile(file, expected));

    ASSERT_TRUE(doc.LoadSongFromBytes(file, GetParam().name));
    EXPECT_EQ(StreamOf(doc), expected);  // nothing was "repaired"
    const std::vector<UserMessage> boxes = t.ui.Messages();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_LE(boxes[0].text.size(), 3 * kNameSize + kCommentsSize + 200u);

    // The panel: tempo, program list, device details.
    doc.DispatchUiSignals();
    const ProgramList list = doc.RefillProgramList();
    EXPECT_LE(list.entries.size(), static_cast<std::size_t>(kPatchSlots));
    EXPECT_LT(list.selected, static_cast<int>(list.entries.size()));
    doc.EditPatchName("Renamed");
    doc.ShowMidiOutInfo();

    {
        std::lock_guard lock(doc.mutex);
        EXPECT_GT(doc.EffectiveLineDuration(), 0);
        doc.ShowBpm();
        doc.SendAllPrograms();
        for (int channel = 0; channel < kTrackCount; ++channel)
            for (int column = 0; column < kTrackCount; ++column) {
                doc.NoteOff(channel, column);
                doc.NoteOn(channel, column, 60, 100);
            }
        doc.ReleaseAllNotes();

        // The editor's commands on whatever the song holds.
        for (int step = 0; step < 3; ++step) {
            doc.CopyPattern(doc.editor.currentPattern);
            doc.CutPattern(doc.editor.currentPattern);
            doc.PastePattern(doc.editor.currentPattern);
            doc.StepCurrentPattern(1);
            doc.GetPatternLineCount(doc.editor.currentPattern);
        }
        doc.ApplyPatternProperties("Fixed", "64");
        doc.editor.seqCursorRow = doc.editor.loopStartRow;
        doc.editor.seqCursorColumn = 0;
        doc.PutSequenceSlot();
        doc.editor.seqCursorRow = doc.editor.loopEndRow;
        doc.ClearSequenceSlot();
    }
    doc.DispatchUiSignals();

    // What is saved is what is held, damage and all.
    TempFolder folder;
    ASSERT_TRUE(doc.SaveSong(folder.Path("again.trv")));
    ASSERT_TRUE(doc.SavePatchList(folder.Path("again.tvp")));
    const std::vector<std::uint8_t> held = StreamOf(doc);
    std::vector<std::uint8_t> saved;
    ASSERT_TRUE(DecodeSongFile(testing::ReadBytes(folder.Path("again.trv")), saved));
    EXPECT_EQ(saved, held);
    ASSERT_TRUE(doc.LoadPatchList(folder.Path("again.tvp")));

    doc.NewSong();
    EXPECT_EQ(doc.RefillProgramList().entries.size(), 128u);
}

// A damaged song plays for a while in both modes, seeks, and is shown and edited through the
// display model, the helper texts, the keys, the mouse and the block commands.
TEST_P(DamagedSongs, PlayAndShowWithoutLeavingTheTables) {
    TestDocument t(2);
    CFennoralDoc& doc = *t.doc;
    ASSERT_TRUE(doc.LoadSongFromBytes(testing::DamagedSongFile(GetParam()), GetParam().name));
    DisplayModel model;
    EditorMouse mouse;

    for (int mode : {kSongMode, kPatternMode}) {
        {
            std::lock_guard lock(doc.mutex);
            doc.editor.seqCursorRow = doc.editor.loopEndRow / 2;
            doc.StartPlayback(mode);
            for (int tick = 0; tick < 1500; ++tick) doc.PlayerTick();
            doc.SeekEnd();
            for (int tick = 0; tick < 500; ++tick) doc.PlayerTick();
            doc.SeekStart();
            BuildDisplayModel(doc.edit, model);
        }
        EXPECT_FALSE(model.items.empty());

        for (int field = 0; field <= 6; ++field) {
            {
                std::lock_guard lock(doc.mutex);
                doc.editor.cursorField = field;
                UpdateHelperTexts(doc.edit);
            }
            ToggleRecord(doc.edit);
            for (int key : {int{'Q'}, int{'7'}, vk::kDelete, vk::kDown, vk::kNext, vk::kRight})
                EditorKeyDown(doc.edit, key, false);
            EditorKeyUp(doc.edit, 'Q');
        }
        EditorMouseMove(doc.edit, mouse, 700, 340);
        EditorLeftButtonDown(doc.edit, mouse, 700, 340);
        EditorLeftButtonDown(doc.edit, mouse, 700, 340);
        EditorLeftButtonUp(mouse);
        EditorRightButtonDown(doc.edit, mouse, 700, 200);
        EditorRightButtonUp(mouse);
        EditorLeftButtonDown(doc.edit, mouse, 10, 100);
        MarkBlockStart(doc.edit);
        EditorKeyDown(doc.edit, vk::kNext, false);
        MarkBlockEnd(doc.edit);
        for (auto command :
             {CopyBlock, CutBlock, PasteBlock, InterpolateParameter, InterpolateVelocity})
            command(doc.edit);
        std::lock_guard lock(doc.mutex);
        BuildDisplayModel(doc.edit, model);
        doc.StopPlayback();
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, DamagedSongs, ::testing::ValuesIn(testing::DamagedSongs()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvel
