#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "formats/ini_file.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

namespace fs = std::filesystem;

class IniWriteTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  const std::string path_ = dir_.path() + "kestrin.ini";
};

// A key is replaced in place or added at the end of its section; everything else stays, and
// the file is for its owner only.
TEST_F(IniWriteTest, WritesTheKeyInItsSectionAndKeepsEverythingElse) {
  test::WriteFileBytes(path_,
                       "; kept comment\n[Other]\nLastSync=other\n\n[Settings]\nName=pc\n"
                       "  LASTSYNC = old \nPort=21\n");
  fs::permissions(path_, fs::perms(0644));
  ASSERT_TRUE(WriteIniString(path_, "settings", "LastSync", "new"));
  ASSERT_TRUE(WriteIniString(path_, "Other", "Key", "v"));
  EXPECT_EQ(test::ReadFileBytes(path_),
            "; kept comment\r\n[Other]\r\nLastSync=other\r\nKey=v\r\n\r\n[Settings]\r\n"
            "Name=pc\r\nLastSync=new\r\nPort=21\r\n");
  EXPECT_EQ(fs::status(path_).permissions(), fs::perms(0600));
}

TEST_F(IniWriteTest, RefusesALineBreakThatWouldForgeAKey) {
  const std::string original = "[Settings]\r\nName=pc\r\n";
  test::WriteFileBytes(path_, original);
  EXPECT_FALSE(WriteIniStrings(path_, "Settings", {{"Port", "21"}, {"Name", "x\r\nPassive=0"}}));
  EXPECT_FALSE(WriteIniString(path_, "Settings", "Name", std::string("x\0y", 3)));
  EXPECT_EQ(test::ReadFileBytes(path_), original);
}

// Neither a folder it cannot write nor a file it cannot read loses the original.
TEST_F(IniWriteTest, KeepsTheOriginalWhenItCannotReadOrReplaceIt) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "root ignores file permissions";
  }
  const std::string original = "[Settings]\r\nName=pc\r\nLastSync=then\r\n";
  test::WriteFileBytes(path_, original);
  for (const auto& [path, mode] :
       {std::pair{dir_.path(), fs::perms(0500)}, {path_, fs::perms(0200)}}) {
    fs::permissions(path, mode);
    EXPECT_FALSE(WriteIniString(path_, "Settings", "Name", "changed")) << path;
    fs::permissions(path, fs::perms::owner_all);
    EXPECT_EQ(test::ReadFileBytes(path_), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), {}), 1);
  }
}

}  // namespace
}  // namespace kestrin
