#include "platform/HelpFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace tarvel {
namespace {

class HelpFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(Folder("first"));
        std::filesystem::create_directories(Folder("second"));
    }
    std::string Folder(const char* name) const { return root_.Path(name); }
    void Write(const char* folder, const std::string& text) const {
        std::ofstream(Folder(folder) + "/" + kHelpFileName, std::ios::binary) << text;
    }

    testing::TempFolder root_;
};

TEST_F(HelpFileTest, SplitsLinesAndKeepsALastLineWithoutLineBreak) {
    Write("first", "Tarvel\n\nline three\r\nlast line");
    EXPECT_EQ(LoadHelpEntries({Folder("first")}),
              (std::vector<std::string>{"Tarvel", "", "line three", "last line"}));
}

TEST_F(HelpFileTest, LongLinesBecomeSeveralEntriesOfAtMost255Characters) {
    Write("first", std::string(300, 'a') + "\n" + std::string(255, 'b') + "\nend\n");
    auto entries = LoadHelpEntries({Folder("first")});
    // A piece of exactly 255 characters ends without its line break, which then reads as an
    // empty entry of its own.
    EXPECT_EQ(entries, (std::vector<std::string>{std::string(255, 'a'), std::string(45, 'a'),
                                                 std::string(255, 'b'), "", "end"}));
}

TEST_F(HelpFileTest, TakesTheFirstFolderThatHoldsTheManual) {
    Write("second", "installed\n");
    EXPECT_EQ(LoadHelpEntries({Folder("first"), Folder("second")}),
              std::vector<std::string>{"installed"});
    Write("first", "working directory\n");
    EXPECT_EQ(LoadHelpEntries({Folder("first"), Folder("second")}),
              std::vector<std::string>{"working directory"});
}

TEST_F(HelpFileTest, MissingManualGivesTheNotFoundEntryAndAnEmptyOneNoEntries) {
    EXPECT_EQ(LoadHelpEntries({Folder("first"), Folder("second")}),
              std::vector<std::string>{"Help file 'readme.txt' not found."});
    EXPECT_EQ(LoadHelpEntries({}), std::vector<std::string>{kHelpNotFound});
    Write("first", "");
    EXPECT_TRUE(LoadHelpEntries({Folder("first")}).empty());
}

// The viewer's section buttons jump to fixed entries; the shipped manual must start its
// sections there, and no line may be split into two entries before the last section.
TEST(ShippedManual, SectionsBeginAtTheViewersEntries) {
    std::vector<std::string> entries;
    ASSERT_TRUE(ReadHelpEntries(TARVEL_SOURCE_DIR "/resources/readme.txt", entries));

    std::ifstream file(TARVEL_SOURCE_DIR "/resources/readme.txt", std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        EXPECT_LT(line.size(), kHelpPieceLength) << "line " << lines.size() + 1;
        EXPECT_EQ(line.find('\r'), std::string::npos) << "line " << lines.size() + 1;
        lines.push_back(line);
    }
    ASSERT_EQ(entries, lines);
    ASSERT_GT(entries.size(), static_cast<std::size_t>(kHelpSectionEntries.back() + 20));

    const char* const titles[] = {"OVERVIEW", "PROGRAMMING PATTERNS AND MIDI REFERENCE",
                                  "KEYBOARD SHORTCUTS", "HISTORY"};
    for (std::size_t i = 0; i < kHelpSectionEntries.size(); ++i) {
        EXPECT_NE(entries[kHelpSectionEntries[i]].find(titles[i]), std::string::npos)
            << "entry " << kHelpSectionEntries[i] << ": " << entries[kHelpSectionEntries[i]];
    }
}

}  // namespace
}  // namespace tarvel
