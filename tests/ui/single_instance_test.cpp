// The program runs once per user: a second start ends at once, silently.
#include <gtest/gtest.h>

#include <QProcess>

#include "platform/program_folder.h"
#include "platform/single_instance.h"

namespace kestrin::test {
namespace {

TEST(SingleInstance, SecondStartEndsAtOnceWithoutOutput) {
  SingleInstanceLock first(kProgramName);
  ASSERT_FALSE(first.anotherInstanceRuns());
  QProcess second;
  second.start(KESTRIN_EXECUTABLE, {});
  ASSERT_TRUE(second.waitForFinished(60000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
}

}  // namespace
}  // namespace kestrin::test
