#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/ini_file.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0);
  return info.st_mode & 07777;
}

size_t EntriesIn(const std::string& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(IniWriteTest, ReplacesKeyInPlaceAndKeepsEverythingElse) {
  test::TempDir dir;
  const std::string path = dir.path() + "kestrin.ini";
  test::WriteFileBytes(path,
                       "; kept comment\n[Other]\nLastSync=other\n\n[Settings]\nName=pc\n"
                       "  LASTSYNC = old \nPort=21\n");
  ASSERT_TRUE(WriteIniString(path, "settings", "LastSync", "new"));
  EXPECT_EQ(test::ReadFileBytes(path),
            "; kept comment\r\n[Other]\r\nLastSync=other\r\n\r\n[Settings]\r\nName=pc\r\n"
            "LastSync=new\r\nPort=21\r\n");
}

TEST(IniWriteTest, AddsKeyAtTheEndOfItsSection) {
  test::TempDir dir;
  const std::string path = dir.path() + "kestrin.ini";
  test::WriteFileBytes(path, "[Settings]\r\nName=pc\r\n\r\n[Other]\r\nKey=v\r\n");
  ASSERT_TRUE(WriteIniString(path, "Settings", "LastSync", "now"));
  EXPECT_EQ(test::ReadFileBytes(path),
            "[Settings]\r\nName=pc\r\nLastSync=now\r\n\r\n[Other]\r\nKey=v\r\n");
}

TEST(IniWriteTest, FileIsForItsOwnerOnly) {
  test::TempDir dir;
  const std::string path = dir.path() + "kestrin.ini";
  test::WriteFileBytes(path, "[Settings]\r\n");
  ::chmod(path.c_str(), 0644);
  ASSERT_TRUE(WriteIniString(path, "Settings", "Password", "c2VjcmV0"));
  EXPECT_EQ(ModeOf(path), 0600u);
}

TEST(IniWriteTest, RefusesALineBreakThatWouldForgeAKey) {
  test::TempDir dir;
  const std::string path = dir.path() + "kestrin.ini";
  const std::string original = "[Settings]\r\nName=pc\r\n";
  test::WriteFileBytes(path, original);
  EXPECT_FALSE(WriteIniStrings(path, "Settings", {{"Port", "21"}, {"Name", "x\r\nPassive=0"}}));
  EXPECT_FALSE(WriteIniString(path, "Settings", "Name", std::string("x\0y", 3)));
  EXPECT_EQ(test::ReadFileBytes(path), original);
}

class IniWriteWithoutRootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() == 0) {
      GTEST_SKIP() << "root ignores file permissions";
    }
  }
};

TEST_F(IniWriteWithoutRootTest, KeepsTheOriginalWhenTheFolderIsNotWritable) {
  test::TempDir dir;
  const std::string path = dir.path() + "kestrin.ini";
  const std::string original = "[Settings]\r\nName=pc\r\n";
  test::WriteFileBytes(path, original);
  ::chmod(dir.path().c_str(), 0500);
  EXPECT_FALSE(WriteIniString(path, "Settings", "Name", "changed"));
  ::chmod(dir.path().c_str(), 0700);
  EXPECT_EQ(test::ReadFileBytes(path), original);
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST_F(IniWriteWithoutRootTest, DoesNotOverwriteAFileItCannotRead) {
  test::TempDir dir;
  const std::string path = dir.path() + "kestrin.ini";
  const std::string original = "[Settings]\r\nName=pc\r\nLastSync=then\r\n";
  test::WriteFileBytes(path, original);
  ::chmod(path.c_str(), 0200);
  EXPECT_FALSE(WriteIniString(path, "Settings", "Name", "changed"));
  ::chmod(path.c_str(), 0600);
  EXPECT_EQ(test::ReadFileBytes(path), original);
}

}  // namespace
}  // namespace kestrin
