// The advisory lock that marks a file as a running program's: a name taken is not made again, a
// lock taking another lets go of its own, and a lock that cannot be made says why. (That a lock
// conflicts within one process, is let go and goes with its file is the song recovery's test's,
// whose finders and owners share one process.)
#include <gmock/gmock.h>

#include "platform/FileLock.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

using testing::TempFolder;

TEST(FileLock, MakesANameOnceOrSaysWhyNot) {
    TempFolder temp;
    const std::string path = temp.Path("x.lock");
    std::string whyNot;
    FileLock first;
    ASSERT_EQ(first.Create(path, whyNot), LockAttempt::Taken) << whyNot;
    FileLock second;
    EXPECT_EQ(second.Create(path, whyNot), LockAttempt::Held);
    // A lock that takes another, or fails to, lets go of the one it held.
    ASSERT_EQ(first.Create(temp.Path("y.lock"), whyNot), LockAttempt::Taken);
    EXPECT_EQ(second.TryTake(path, whyNot), LockAttempt::Taken);
    EXPECT_EQ(second.TryTake(temp.Path("none/x.lock"), whyNot), LockAttempt::Failed);
    EXPECT_FALSE(whyNot.empty());
    EXPECT_EQ(first.TryTake(path, whyNot), LockAttempt::Taken);
}

}  // namespace
}  // namespace tarvel
