// Recovery files owned by their lock, not by a process id: programs with one pid keep apart, a
// set is offered once no one holds its lock (and only then), and an earlier version's pid-named
// set is offered as a leftover whatever runs under that pid now.
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif
#include <gmock/gmock.h>

#include <memory>
#include <tuple>

#include "document/SongRecovery.h"
#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

using testing::WriteBytes;

constexpr int kPid = 4242;
#ifdef _WIN32
const auto ThisPid = [] { return _getpid(); };
const auto OtherRunningPid = [] { return 4; };  // the system's own
#else
const auto ThisPid = [] { return getpid(); };
const auto OtherRunningPid = [] { return getppid(); };
#endif

class SongRecoveryTest : public ::testing::Test {
  public:
    std::string Folder() { return temp.Path(""); }
    std::unique_ptr<SongRecovery> Owner(int pid, const std::string& songPath) {
        auto owner = std::make_unique<SongRecovery>(Folder(), pid);
        std::string whyNot;
        EXPECT_TRUE(owner->Write(*t.doc, songPath, whyNot)) << whyNot;
        return owner;
    }
    // A set as earlier versions wrote it, named by the pid alone, with no lock file.
    void LeaveOld(int pid, const std::string& songPath) {
        std::filesystem::create_directories(Folder());
        WriteBytes(Folder() + std::to_string(pid) + ".trv", {'s', 'o', 'n', 'g'});
        WriteBytes(Folder() + std::to_string(pid) + ".path", {songPath.begin(), songPath.end()});
    }
    std::vector<std::string> OfferedPaths(const SongRecovery& finder) {
        std::vector<std::string> paths;
        for (const LeftoverRecovery& leftover : finder.FindLeftovers())
            paths.push_back(leftover.songPath);
        return paths;
    }

    testing::TempFolder temp;
    testing::TestDocument t;
};

// Same pid, as after a restart or in two PID namespaces: each keeps and removes only its own.
TEST_F(SongRecoveryTest, TwoOwnersWithOnePidKeepTheirOwnFiles) {
    auto a = Owner(kPid, "a.trv");
    auto b = Owner(kPid, "b.trv");
    a->Remove();
    a.reset();  // a clean exit: its lock file goes too
    EXPECT_EQ(temp.Names().size(), 3u) << "b's song, path and lock";
    // b ends without removing its song (a crash, or a quit that keeps it), letting its lock go:
    // the next is offered it. (A killed program's is the window script undo_recovery.sh's.)
    const std::string kept = b->SongFile();
    b.reset();
    SongRecovery next(Folder(), kPid);
    const std::vector<LeftoverRecovery> found = next.FindLeftovers();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(std::tie(found[0].songFile, found[0].songPath, found[0].processId),
              std::tuple(kept, "b.trv", kPid));
}

// Running owners holding their locks, of the finder's pid or another, are the other tests'.
TEST_F(SongRecoveryTest, OnlySetsWhoseLockCanBeTakenAreOffered) {
    const auto expectFound = [&](const std::vector<std::string>& offered, std::size_t files) {
        {
            SongRecovery finder(Folder(), ThisPid());
            EXPECT_EQ(OfferedPaths(finder), offered);
            EXPECT_EQ(temp.Names().size(), files) << ::testing::PrintToString(temp.Names());
        }
        std::filesystem::remove_all(Folder());
    };
    // An earlier version's set under the finder's own pid (after a restart), and the lock file
    // the finder makes to hold it while offered.
    LeaveOld(ThisPid(), "old.trv");
    expectFound({"old.trv"}, 3);
    // Earlier versions' sets, whatever runs under those pids, by pid.
    LeaveOld(OtherRunningPid(), "running.trv");
    LeaveOld(1, "first.trv");
    expectFound({"first.trv", "running.trv"}, 6);
    // A crash with nothing to recover leaves only a lock file, which goes.
    const std::string stem = Folder() + "4242-00000000000000ab";
    std::filesystem::create_directories(Folder());
    WriteBytes(stem + ".lock", {});
    WriteBytes(stem + ".path", {});  // the song not yet written
    expectFound({}, 0);
    // Files of other names are no sets: neither offered nor removed.
    std::filesystem::create_directories(Folder());
    for (const char* name : {"42-notes.trv", "42-.trv", "-5.trv"}) WriteBytes(Folder() + name, {});
    expectFound({}, 3);
}

// Two programs starting at once: the set one of them is offering is not offered by the other;
// SetAside keeps the song and path under other names. (That Discard takes every file is the
// application's recovery test's.)
TEST_F(SongRecoveryTest, AFoundSetIsHeldUntilDiscardedOrSetAside) {
    Owner(kPid, "first.trv");
    Owner(kPid + 1, "second.trv");
    SongRecovery one(Folder(), 1);
    SongRecovery other(Folder(), 2);
    std::vector<LeftoverRecovery> found = one.FindLeftovers();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_THAT(OfferedPaths(other), ::testing::IsEmpty()) << "both held by the first finder";
    one.Discard(found[0]);
    one.SetAside(found[1]);
    const std::string stem = std::filesystem::path(found[1].songFile).stem().string();
    EXPECT_EQ(temp.Names(),
              (std::vector<std::string>{stem + ".path.damaged", stem + ".trv.damaged"}));
}

// A file standing where the folder would be made: the write fails and says why.
TEST_F(SongRecoveryTest, AWriteWhoseFolderCannotBeMadeSaysWhy) {
    std::filesystem::create_directories(Folder());
    WriteBytes(Folder() + "file", {});
    SongRecovery owner(Folder() + "file/recovery", kPid);
    std::string whyNot;
    EXPECT_FALSE(owner.Write(*t.doc, "a.trv", whyNot));
    EXPECT_FALSE(whyNot.empty());
    EXPECT_EQ(temp.Names(), std::vector<std::string>{"file"});
}

}  // namespace
}  // namespace tarvel
