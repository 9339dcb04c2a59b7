#include <gtest/gtest.h>

#include "engine/DelayTimes.h"
#include "platform/BrowserCommand.h"

namespace tarvel {
namespace {

TEST(DelayTimesText, ShowsTheTempoRecomputedFromTheLineLengthAndNeverDividesByZero) {
    // A typed 512 BPM gives 15000 / 512 = 29 ms lines, which read back as 517 BPM.
    EXPECT_EQ(DelayTimesText(15000 / 512),
              "At current tempo [517 BPM]:\n\nx1 Line = 29 ms.\nx2 Lines = 58 ms.\n"
              "x3 Lines = 87 ms.\nx4 Lines = 116 ms.\nx5 Lines = 145 ms.\nx6 Lines = 174 ms.\n");
    EXPECT_EQ(DelayTimesText(0), DelayTimesText(120));  // a damaged song's line: the default
    EXPECT_EQ(DelayTimesText(-5), DelayTimesText(120));
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
        {"", " https://example.org/"},
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
    EXPECT_EQ(DesktopEntryExec(""), std::nullopt);
}

}  // namespace
}  // namespace tarvel
