// Safe file replacement on the platform's own terms: names beyond ASCII, either separator, and
// what is refused (a read-only file; on Windows, a file another program holds open). Whatever
// fails, the old file keeps its content and nothing else is left in its folder.
#ifdef _WIN32
#include <windows.h>
#undef ReplaceFile  // windows.h's name for ReplaceFileA
#else
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <gmock/gmock.h>

#include <filesystem>
#include <utility>

#include "platform/SafeFile.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::ReadBytes;
using testing::TempFolder;

const std::vector<std::uint8_t> kOld = {'o', 'l', 'd'};
const std::vector<std::uint8_t> kNew = {'n', 'e', 'w', '\r', '\n', 0x1A, 0, '\n'};

// Bytes that text mode would change (CR LF, ^Z, NUL) come back exactly, under any name; a read
// takes no more than asked, or says why not. A file made read-only is refused on every platform,
// though POSIX would rename over it; a file another program holds open as an editor would (shared
// for reading only, never for deletion) is refused where the system refuses it. The old file is
// kept, and a replaced file keeps its mode and, where this process may give it, its owner.
TEST(SafeFile, ReplacesBinaryFilesUnderAnyNameButNotReadOnlyOrHeldOnesAndKeepsTheirMode) {
    namespace fs = std::filesystem;
    TempFolder temp;
    const std::string folder = temp.Path("");
    const std::string path = folder + "sång \xE2\x99\xAA 曲.trv";  // UTF-8, not a code page's
    const std::string plain = temp.Path("slash.trv");  // a name the Windows calls below take
    std::string whyNot;
    ASSERT_TRUE(ReplaceFile(path, kOld, whyNot)) << whyNot;
    ASSERT_TRUE(ReplaceFile(path, kNew, whyNot)) << whyNot;
    EXPECT_EQ(ReadBytes(path), kNew);
    // A forward slash before the name works as a folder's end on Windows too: the temporary file
    // goes beside the song, not into the working folder.
    ASSERT_TRUE(ReplaceFile(folder + "/slash.trv", kOld, whyNot)) << whyNot;
    EXPECT_EQ(ReadBytes(plain), kOld);

    std::vector<std::uint8_t> bytes{1};  // what a failed read kept would come before the next
    EXPECT_FALSE(ReadFilePrefix(temp.Path("missing.trv"), 10, bytes, whyNot));
    EXPECT_THAT(whyNot, HasSubstr("cannot open"));
    EXPECT_FALSE(ReadFilePrefix(folder, 10, bytes, whyNot));
    EXPECT_THAT(whyNot, HasSubstr("cannot read"));
    ASSERT_TRUE(ReadFilePrefix(path, 3, bytes, whyNot));
    EXPECT_EQ(bytes, std::vector<std::uint8_t>(kNew.begin(), kNew.begin() + 3));

    fs::permissions(plain,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    EXPECT_FALSE(ReplaceFile(plain, kNew, whyNot));
    EXPECT_THAT(whyNot, HasSubstr("read-only"));
#ifndef _WIN32
    EXPECT_FALSE(ReplacementFile().Create(plain, whyNot));  // before the rendering, not after
    EXPECT_THAT(whyNot, HasSubstr("read-only"));
#endif
    fs::permissions(plain, fs::perms::owner_write, fs::perm_options::add);
#ifdef _WIN32
    const HANDLE held = CreateFileA(plain.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ReplaceFile(plain, kNew, whyNot));
    EXPECT_THAT(whyNot, HasSubstr("in use by another program"));
    CloseHandle(held);
#endif
    EXPECT_EQ(ReadBytes(plain), kOld);
    EXPECT_THAT(temp.Names(), ElementsAre("slash.trv", "sång \xE2\x99\xAA 曲.trv"));

#ifndef _WIN32
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(plain, mode);
    const bool root = geteuid() == 0;  // only root may give a file to another user
    const std::pair<uid_t, gid_t> owner(root ? 4321 : geteuid(), root ? 4321 : getegid());
    ASSERT_EQ(chown(plain.c_str(), owner.first, owner.second), 0);
    ASSERT_TRUE(ReplaceFile(plain, kNew, whyNot)) << whyNot;
    EXPECT_EQ(fs::status(plain).permissions(), mode);
    struct stat info;
    ASSERT_EQ(stat(plain.c_str(), &info), 0);
    EXPECT_EQ(std::pair(info.st_uid, info.st_gid), owner);
#endif
}

}  // namespace
}  // namespace tarvel
