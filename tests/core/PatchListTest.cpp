#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <sys/types.h>

#include <cerrno>
#include <cstring>

#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::ReadBytes;
using testing::TempFolder;
using testing::TestDocument;
using testing::WriteBytes;

std::vector<std::uint8_t> PatchTableOf(CFennoralDoc& doc) {
    std::lock_guard lock(doc.mutex);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&doc.song) + kPatchTableOffset;
    return {bytes, bytes + kPatchTableSize};
}

TEST(ProgramList, ListsTheNamesInUseWithTheChannelsProgramSelected) {
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    ProgramList list = doc.RefillProgramList();
    ASSERT_EQ(list.entries.size(), 128u);
    EXPECT_EQ(list.entries.front(), "001: Acoustic Grand");
    EXPECT_EQ(list.entries.back(), "128: Gunshot");
    EXPECT_EQ(list.selected, 0);

    {
        std::lock_guard lock(doc.mutex);
        doc.editor.currentChannel = 5;
        doc.song.channelProgram[5] = 127;
    }
    EXPECT_EQ(doc.RefillProgramList().selected, 127);
    {
        std::lock_guard lock(doc.mutex);
        doc.song.channelProgram[5] = 128;  // beyond the names in use: nothing selected
    }
    EXPECT_EQ(doc.RefillProgramList().selected, -1);
}

TEST(ProgramList, CountsFromDamagedSongsStayInsideTheTable) {
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    for (std::int32_t count : {0, -1, INT32_MIN}) {
        {
            std::lock_guard lock(doc.mutex);
            doc.song.patchCount = count;
        }
        const ProgramList list = doc.RefillProgramList();
        EXPECT_THAT(list.entries, IsEmpty());
        EXPECT_EQ(list.selected, -1);
    }
    {
        std::lock_guard lock(doc.mutex);
        doc.song.patchCount = 513;
        std::memset(doc.song.patchNames[511], 'z', kNameSize);  // no NUL
        doc.song.channelProgram[0] = 255;
    }
    const ProgramList list = doc.RefillProgramList();
    ASSERT_EQ(list.entries.size(), 512u);
    EXPECT_EQ(list.entries.back(), "512: " + std::string(kNameSize, 'z'));
    EXPECT_EQ(list.selected, 255);
}

TEST(PatchNames, RenamingKeepsThirtyCharactersAlsoBeyondTheNamesInUse) {
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    {
        std::lock_guard lock(doc.mutex);
        doc.editor.currentChannel = 2;
        doc.song.channelProgram[2] = 7;
    }
    doc.EditPatchName(std::string(31, 'a'));
    EXPECT_EQ(std::string(doc.song.patchNames[7]), std::string(30, 'a'));
    EXPECT_EQ(doc.RefillProgramList().entries[7], "008: " + std::string(30, 'a'));

    doc.EditPatchName("Pad");
    EXPECT_STREQ(doc.song.patchNames[7], "Pad");
    EXPECT_EQ(doc.song.patchNames[7][4], 'a');  // the bytes after the NUL stay

    {
        std::lock_guard lock(doc.mutex);
        doc.song.patchCount = 10;
        doc.song.channelProgram[2] = 200;
    }
    doc.EditPatchName("Hidden");
    EXPECT_STREQ(doc.song.patchNames[200], "Hidden");
    EXPECT_EQ(doc.RefillProgramList().entries.size(), 10u);

    doc.DispatchUiSignals();
    EXPECT_THAT(t.ui.Events(), ::testing::Contains("panel"));
    EXPECT_THAT(t.ui.Events(), ::testing::Contains("invalidate"));
}

TEST(PatchListFile, SavedTableLoadsIntoAnotherSongByteForByte) {
    TempFolder folder;
    TestDocument from;
    const std::string path = folder.Path("mylist");  // used as typed: no extension added
    ASSERT_TRUE(from.doc->SavePatchList(path));
    EXPECT_THAT(folder.Names(), ElementsAre("mylist"));
    const std::vector<std::uint8_t> table = PatchTableOf(*from.doc);
    EXPECT_EQ(ReadBytes(path), table);

    TestDocument to;
    CFennoralDoc& doc = *to.doc;
    {
        std::lock_guard lock(doc.mutex);
        doc.song.patchCount = 3;
        CopyText(doc.song.patchNames[0], "Mine");
        CopyText(doc.song.patchNames[300], "Also mine");
        doc.song.channelProgram[0] = 9;
    }
    to.TakeSent();
    ASSERT_TRUE(doc.LoadPatchList(path));
    EXPECT_EQ(PatchTableOf(doc), table);
    EXPECT_EQ(doc.song.channelProgram[0], 9);
    EXPECT_THAT(to.TakeSent(), IsEmpty());  // no program change
    EXPECT_THAT(to.ui.Messages(), IsEmpty());
}

TEST(PatchListFile, LongFilesReplaceOnlyTheTable) {
    TempFolder folder;
    TestDocument t;
    CFennoralDoc& doc = *t.doc;

    std::vector<std::uint8_t> longer(kPatchTableSize + 1000, 'x');
    longer[kPatchTableSize - 1] = 'y';
    WriteBytes(folder.Path("long.tvp"), longer);
    ASSERT_TRUE(doc.LoadPatchList(folder.Path("long.tvp")));
    EXPECT_EQ(PatchTableOf(doc),
              std::vector<std::uint8_t>(longer.begin(), longer.begin() + kPatchTableSize));
    EXPECT_EQ(doc.song.sequence[0][0].pattern, kEmptySlot);  // the byte after the table
}

ssize_t FailingWrite(int, const void*, std::size_t) {
    errno = ENOSPC;
    return -1;
}

TEST(PatchListFile, FilesThatCannotBeOpenedOrWrittenAreReported) {
    TempFolder folder;
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    const std::vector<std::uint8_t> before = PatchTableOf(doc);

    EXPECT_FALSE(doc.LoadPatchList(folder.Path("missing.tvp")));
    EXPECT_FALSE(doc.LoadPatchList(folder.Path("")));  // a folder
    EXPECT_FALSE(doc.SavePatchList(folder.Path("missing/list.tvp")));
    const std::vector<std::uint8_t> old = {1, 2, 3};
    WriteBytes(folder.Path("old.tvp"), old);
    doc.fileCalls.write = FailingWrite;
    EXPECT_FALSE(doc.SavePatchList(folder.Path("old.tvp")));

    EXPECT_EQ(PatchTableOf(doc), before);
    EXPECT_EQ(ReadBytes(folder.Path("old.tvp")), old);
    EXPECT_THAT(folder.Names(), ElementsAre("old.tvp"));
    EXPECT_THAT(t.ui.Events(), ElementsAre("message:error:Failed to open patchlist file:Error",
                                           "message:error:Failed to open patchlist file:Error",
                                           "message:error:Failed to write patchlist file:Error",
                                           "message:error:Failed to write patchlist file:Error"));
    for (const UserMessage& message : t.ui.Messages()) EXPECT_TRUE(message.ownedByFrame);
}

}  // namespace
}  // namespace tarvel
