// A patch list shorter than the whole table is refused like an unreadable one, and the song's
// names stay as they were.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

TEST(PatchListFile, ShortFilesAreRefusedAndChangeNoName) {
    testing::TempFolder folder;
    for (std::size_t size : {std::size_t{0}, std::size_t{20}, kPatchTableSize - 1}) {
        testing::TestDocument t;
        t.Settle();
        const ProgramList before = t.doc->RefillProgramList();
        testing::WriteBytes(folder.Path("short.tvp"), std::vector<std::uint8_t>(size, 7));
        EXPECT_FALSE(t.doc->LoadPatchList(folder.Path("short.tvp")));
        t.doc->DispatchUiSignals();
        EXPECT_EQ(t.doc->RefillProgramList().entries, before.entries) << size;
        EXPECT_THAT(t.ui.Events(),
                    ::testing::ElementsAre("message:error:Failed to open patchlist file:Error"));
    }
}

}  // namespace
}  // namespace tarvel
