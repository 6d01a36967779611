#include <csignal>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/single_instance.h"
#include "tests/settings/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

constexpr char kName[] = "kestrin-lock-test";

class SingleInstanceTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  test::ScopedEnvironment runtime_{"XDG_RUNTIME_DIR", dir_.path()};
};

TEST_F(SingleInstanceTest, ALockFileThatCannotBeOpenedIsNoOtherInstance) {
  const test::ScopedEnvironment notAFolder{"XDG_RUNTIME_DIR", "/dev/null"};
  EXPECT_FALSE(SingleInstanceLock(kName).anotherInstanceRuns());
}

// In a shared folder another user could take the lock first and keep the program from
// ever starting.
TEST_F(SingleInstanceTest, WithoutARuntimeFolderTheLockIsInTheUsersOwnFolder) {
  const test::ScopedEnvironment noRuntime{"XDG_RUNTIME_DIR", std::nullopt};
  const test::ScopedEnvironment state{"XDG_STATE_HOME", dir_.path()};
  const SingleInstanceLock lock(kName);
  EXPECT_FALSE(lock.anotherInstanceRuns());
  EXPECT_TRUE(std::filesystem::exists(dir_.path() + kName + "/" + kName + ".lock"));
}

TEST_F(SingleInstanceTest, LockOfAKilledInstanceDoesNotBlockTheNext) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const SingleInstanceLock lock(kName);
    const char held = lock.anotherInstanceRuns() ? 'n' : 'y';
    if (::write(ready[1], &held, 1) != 1) {
      ::_exit(1);
    }
    ::pause();
    ::_exit(0);
  }
  ::close(ready[1]);
  char held = 0;
  ASSERT_EQ(::read(ready[0], &held, 1), 1);
  ::close(ready[0]);
  EXPECT_EQ(held, 'y');
  EXPECT_TRUE(SingleInstanceLock(kName).anotherInstanceRuns());

  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_FALSE(SingleInstanceLock(kName).anotherInstanceRuns());
}

}  // namespace
}  // namespace kestrin
