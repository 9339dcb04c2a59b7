// The advisory lock that marks a file as a running program's: a name taken is not made again, and
// a lock that cannot be made says why. (That a lock conflicts within one process, is let go and
// goes with its file is the song recovery's test's, whose finders and owners share one process.)
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
    EXPECT_EQ(first.TryTake(temp.Path("none/x.lock"), whyNot), LockAttempt::Failed);
    EXPECT_FALSE(whyNot.empty());
}

}  // namespace
}  // namespace tarvel
