#include "platform/HelpFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace tarvel {
namespace {

using Entries = std::vector<std::string>;

TEST(HelpFile, LinesBecomeEntriesOfAtMost255CharactersFromTheFirstFolderThatHoldsTheManual) {
    testing::TempFolder root;
    const Entries folders = {root.Path("first"), root.Path("second")};
    for (const std::string& folder : folders) std::filesystem::create_directories(folder);
    const auto write = [](const std::string& folder, const std::string& text) {
        std::ofstream(folder + "/" + kHelpFileName, std::ios::binary) << text;
    };
    EXPECT_EQ(LoadHelpEntries(folders), Entries{"Help file 'readme.txt' not found."});
    EXPECT_EQ(LoadHelpEntries({}), Entries{kHelpNotFound});

    write(folders[1], "installed\n");
    EXPECT_EQ(LoadHelpEntries(folders), Entries{"installed"});
    write(folders[0], "");
    EXPECT_TRUE(LoadHelpEntries(folders).empty());
    write(folders[0], "Tarvel\n\nline three\r\nlast line");
    EXPECT_EQ(LoadHelpEntries(folders), (Entries{"Tarvel", "", "line three", "last line"}));

    // A piece of exactly 255 characters ends without its line break, which then reads as an
    // empty entry of its own.
    write(folders[0], std::string(300, 'a') + "\n" + std::string(255, 'b') + "\nend\n");
    EXPECT_EQ(LoadHelpEntries(folders), (Entries{std::string(255, 'a'), std::string(45, 'a'),
                                                 std::string(255, 'b'), "", "end"}));
}

// The viewer's section buttons jump to fixed entries; the shipped manual must start its
// sections there, and no line may be split into two entries.
TEST(ShippedManual, SectionsBeginAtTheViewersEntries) {
    Entries entries;
    ASSERT_TRUE(ReadHelpEntries(TARVEL_SOURCE_DIR "/resources/readme.txt", entries));
    std::ifstream file(TARVEL_SOURCE_DIR "/resources/readme.txt", std::ios::binary);
    Entries lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    ASSERT_EQ(entries, lines);
    ASSERT_GT(entries.size(), static_cast<std::size_t>(kHelpSectionEntries.back() + 20));

    const char* const titles[] = {"OVERVIEW", "PROGRAMMING PATTERNS AND MIDI REFERENCE",
                                  "KEYBOARD SHORTCUTS", "HISTORY"};
    for (std::size_t i = 0; i < kHelpSectionEntries.size(); ++i)
        EXPECT_NE(entries[kHelpSectionEntries[i]].find(titles[i]), std::string::npos)
            << "entry " << kHelpSectionEntries[i] << ": " << entries[kHelpSectionEntries[i]];
}

}  // namespace
}  // namespace tarvel
