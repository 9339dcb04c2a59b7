#include <gmock/gmock.h>

#include <climits>
#include <cstring>

#include "support/DocumentTest.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;
using testing::WriteBytes;

using PatchList = testing::DocumentTest;

TEST_F(PatchList, TheProgramListShowsTheNamesInUseAndRenamingKeepsThirtyCharacters) {
    std::memset(doc.song.patchNames[511], 'z', kNameSize);  // no NUL
    e.currentChannel = 5;
    struct Case {
        std::int32_t patchCount;
        int program, entries, selected;
    };
    for (const Case c : {Case{128, 127, 128, 127}, Case{128, 128, 128, -1}, Case{INT_MIN, 0, 0, -1},
                         Case{513, 255, 512, 255}}) {  // damaged counts stay inside the table
        doc.song.patchCount = c.patchCount;
        doc.song.channelProgram[5] = static_cast<std::uint8_t>(c.program);
        const ProgramList list = doc.RefillProgramList();
        ASSERT_EQ(list.entries.size(), static_cast<std::size_t>(c.entries)) << c.patchCount;
        EXPECT_EQ(list.selected, c.selected) << c.patchCount;
    }
    EXPECT_EQ(doc.RefillProgramList().entries.back(), "512: " + std::string(kNameSize, 'z'));

    // Renaming the channel's program keeps thirty characters, also beyond the names in use.
    doc.song.channelProgram[5] = 7;
    doc.EditPatchName(std::string(31, 'a'));
    EXPECT_EQ(doc.RefillProgramList().entries[7], "008: " + std::string(30, 'a'));
    doc.EditPatchName("Pad");
    // The bytes after the NUL stay.
    EXPECT_EQ(std::string(doc.song.patchNames[7], 5), std::string("Pad\0a", 5));

    doc.song.patchCount = 10;
    doc.song.channelProgram[5] = 200;
    doc.EditPatchName("Hidden");
    EXPECT_STREQ(doc.song.patchNames[200], "Hidden");
    EXPECT_THAT(UiEvents(), ElementsAre("panel", "invalidate"));
}

TEST_F(PatchList, AFileHoldsTheTableLoadingOneReplacesOnlyTheTableAndFailuresChangeNothing) {
    testing::TempFolder folder;
    const auto table = [&] {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&doc.song) + kPatchTableOffset;
        return std::vector<std::uint8_t>(bytes, bytes + kPatchTableSize);
    };
    const std::string path = folder.Path("mylist");  // used as typed: no extension added
    ASSERT_TRUE(doc.SavePatchList(path));
    const std::vector<std::uint8_t> saved = testing::ReadBytes(path);
    EXPECT_EQ(saved, table());

    doc.song.patchCount = 3;
    CopyText(doc.song.patchNames[300], "Mine");
    doc.song.channelProgram[0] = 9;
    ASSERT_TRUE(doc.LoadPatchList(path));
    EXPECT_EQ(table(), saved);
    EXPECT_EQ(doc.song.channelProgram[0], 9);
    EXPECT_THAT(t.TakeSent(), ::testing::IsEmpty());              // no program change
    EXPECT_THAT(UiEvents(), ElementsAre("panel", "invalidate"));  // the names shown anew

    std::vector<std::uint8_t> longer(kPatchTableSize + 1000, 'x');
    WriteBytes(folder.Path("long.tvp"), longer);
    ASSERT_TRUE(doc.LoadPatchList(folder.Path("long.tvp")));
    longer.resize(kPatchTableSize);
    EXPECT_EQ(table(), longer);
    EXPECT_EQ(doc.song.sequence[0][0].pattern, kEmptySlot);  // the byte after the table

    // Files that are no patch list or cannot be written are reported and change nothing. (One
    // that cannot be read comes short of a table too; its box is the window's failed commands'.)
    const std::vector<std::uint8_t> before = table();
    WriteBytes(folder.Path("short.tvp"), std::vector<std::uint8_t>(kPatchTableSize - 1, 7));
    EXPECT_FALSE(Worked(t.ui, doc.LoadPatchList(folder.Path("short.tvp"))));  // would mix two lists
    // A song or a MIDI file picked by mistake, long enough to be read, is no patch list.
    for (const std::string name : {"song.trv", "tune.mid"}) {
        std::vector<std::uint8_t> other(kPatchTableSize * 2, 'x');
        std::ranges::copy(name == "song.trv" ? std::string("\x1F\x8B") : "MThd", other.begin());
        WriteBytes(folder.Path(name), other);
        EXPECT_FALSE(Worked(t.ui, doc.LoadPatchList(folder.Path(name)))) << name;
    }
    // A failed write keeps the old file: the song file's failed saves go the same way.
    EXPECT_FALSE(Worked(t.ui, doc.SavePatchList(folder.Path("missing/list.tvp"))));

    EXPECT_EQ(table(), before);
    EXPECT_THAT(folder.Names(),
                ElementsAre("long.tvp", "mylist", "short.tvp", "song.trv", "tune.mid"));
    const std::string open = "message:error:Failed to open patchlist file:Error";
    const std::string write = "message:error:Failed to write patchlist file:Error";
    EXPECT_THAT(t.ui.Events(), ElementsAre(open, open, open, write));
    for (const UserMessage& message : t.ui.Messages()) EXPECT_TRUE(message.ownedByFrame);
}

}  // namespace
}  // namespace tarvel
