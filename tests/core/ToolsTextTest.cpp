// The texts of the Tools and Help menus: delay times, the browser's command line, the manual.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/DelayTimes.h"
#include "platform/BrowserCommand.h"
#include "platform/HelpFile.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

TEST(DelayTimesText, ShowsTheTempoRecomputedFromTheLineLengthAndNeverDividesByZero) {
    // A typed 512 BPM gives 15000 / 512 = 29 ms lines, which read back as 517 BPM.
    EXPECT_EQ(DelayTimesText(15000 / 512),
              "At current tempo [517 BPM]:\n\nx1 Line = 29 ms.\nx2 Lines = 58 ms.\n"
              "x3 Lines = 87 ms.\nx4 Lines = 116 ms.\nx5 Lines = 145 ms.\nx6 Lines = 174 ms.\n");
    for (int damaged : {0, -5}) EXPECT_EQ(DelayTimesText(damaged), DelayTimesText(120));
}

TEST(BrowserCommandLine, ThePlaceholderIsCutOrTheAddressAppended) {
    const std::pair<const char*, const char*> commands[] = {
        // The blank before the placeholder stays, so two blanks precede the address.
        {"\"C:\\Program Files\\Browser\\browser.exe\" -nohome \"%1\"",
         "\"C:\\Program Files\\Browser\\browser.exe\" -nohome  https://example.org/"},
        {"browser.exe %1 -new-tab", "browser.exe  https://example.org/"},
        {"firefox-esr %u", "firefox-esr  https://example.org/"},
        {"run %U --url \"%1\"", "run %U --url  https://example.org/"},  // the quoted form wins
        {"browser.exe -nohome", "browser.exe -nohome https://example.org/"},
    };
    for (const auto& [command, line] : commands)
        EXPECT_EQ(BrowserCommandLine(command, "https://example.org/"), line);
}

TEST(DesktopEntryExec, ReadsTheExecKeyOfTheMainGroupOnly) {
    const char* entry =
        "[Desktop Entry]\r\nName=Browser\nExec[de]=wrong %u\nExec = browser --new %u \n"
        "[Desktop Action new-window]\nExec=browser --new-window %u\n";
    EXPECT_EQ(DesktopEntryExec(entry), "browser --new %u");
    EXPECT_EQ(DesktopEntryExec("[Desktop Action x]\nExec=browser\n"), std::nullopt);
}

using Entries = std::vector<std::string>;

TEST(HelpFile, LinesBecomeEntriesOfAtMost255CharactersFromTheFirstFolderThatHoldsTheManual) {
    testing::TempFolder root;
    const Entries folders = {root.Path("first"), root.Path("second")};
    for (const std::string& folder : folders) std::filesystem::create_directories(folder);
    const auto write = [](const std::string& folder, const std::string& text) {
        std::ofstream(folder + "/" + kHelpFileName, std::ios::binary) << text;
    };
    EXPECT_EQ(LoadHelpEntries(folders), Entries{"Help file 'readme.txt' not found."});

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
    for (const std::string& entry : entries) ASSERT_LT(entry.size(), 255u) << entry;
    ASSERT_GT(entries.size(), static_cast<std::size_t>(kHelpSectionEntries.back() + 20));

    const char* const titles[] = {"OVERVIEW", "PROGRAMMING PATTERNS AND MIDI REFERENCE",
                                  "KEYBOARD SHORTCUTS", "HISTORY"};
    for (std::size_t i = 0; i < kHelpSectionEntries.size(); ++i)
        EXPECT_NE(entries[kHelpSectionEntries[i]].find(titles[i]), std::string::npos)
            << "entry " << kHelpSectionEntries[i] << ": " << entries[kHelpSectionEntries[i]];
}

}  // namespace
}  // namespace tarvel
