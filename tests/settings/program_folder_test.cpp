#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/private_file.h"
#include "platform/program_folder.h"
#include "tests/settings/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

// The folder holds the password and the log; another user may neither look in nor plant a
// link that the program would write through.
TEST(ProgramFolderTest, TheUserProgramFolderAndItsNewFilesAreTheOwnersOnly) {
  namespace fs = std::filesystem;
  test::TempDir config;
  test::ScopedEnvironment configVariable("XDG_CONFIG_HOME", config.path() + "made/");
  const std::string folder = UserProgramFolder("kestrin");
  ASSERT_EQ(folder, config.path() + "made/kestrin/");
  EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);

  test::WriteFileBytes(folder + "local.dat", "old");
  fs::permissions(folder + "local.dat", fs::perms::all);
  EXPECT_TRUE(EmptyPrivateFile(folder + "local.dat"));
  EXPECT_EQ(fs::status(folder + "local.dat").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(fs::file_size(folder + "local.dat"), 0u);
  fs::create_symlink(config.path() + "outside", folder + "local.ind");
  EXPECT_FALSE(EmptyPrivateFile(folder + "local.ind"));
  EXPECT_FALSE(fs::exists(config.path() + "outside"));
}

TEST(ProgramFolderTest, WithoutHomeVariableTheUserDatabaseAnswers) {
  test::ScopedEnvironment home("HOME", std::nullopt);
  const std::string folder = HomeFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.front(), '/');
  EXPECT_EQ(folder.back(), '/');
}

}  // namespace
}  // namespace kestrin
