#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/program_folder.h"
#include "tests/settings/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

TEST(ProgramFolderTest, IsTheExecutableFolderOnlyWhenWritable) {
  test::TempDir config;
  test::ScopedEnvironment configVariable("XDG_CONFIG_HOME", config.path());
  const std::string executable = ExecutablePath();
  const std::string executableFolder = executable.substr(0, executable.rfind('/') + 1);
  if (::access(executableFolder.c_str(), W_OK) == 0) {
    EXPECT_EQ(ProgramFolder(), executableFolder);
  } else {
    EXPECT_EQ(ProgramFolder(), config.path() + "kestrin/");
    EXPECT_TRUE(std::filesystem::is_directory(config.path() + "kestrin"));
  }
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
