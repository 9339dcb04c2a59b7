// The advisory lock that marks a file as a running program's: taken once per file, in one
// process or many; a name taken is not made again; it goes with its file, or fails with a reason.
#include <gmock/gmock.h>

#include "platform/FileLock.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

using ::testing::IsEmpty;
using testing::TempFolder;

TEST(FileLock, ConflictsWithinOneProcessAndGoesWithItsFile) {
    TempFolder temp;
    const std::string path = temp.Path("x.lock");
    std::string whyNot;
    FileLock first;
    ASSERT_EQ(first.Create(path, whyNot), LockAttempt::Taken) << whyNot;
    FileLock second;
    EXPECT_EQ(second.Create(path, whyNot), LockAttempt::Held);
    EXPECT_EQ(second.TryTake(path, whyNot), LockAttempt::Held);
    first.Release();
    EXPECT_EQ(second.TryTake(path, whyNot), LockAttempt::Taken) << whyNot;
    second.ReleaseAndRemove();
    EXPECT_THAT(temp.Names(), IsEmpty());
    EXPECT_EQ(first.TryTake(temp.Path("none/x.lock"), whyNot), LockAttempt::Failed);
    EXPECT_FALSE(whyNot.empty());
}

}  // namespace
}  // namespace tarvel
