#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "formats/ini_file.h"
#include "settings/sync_settings.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

constexpr char kFreshFile[] =
    "[Settings]\r\nName=\r\nServer=\r\nUsername=\r\nPassword=\r\nPort=21\r\nPassive=1\r\n"
    "RemoteDir=\r\nStartWithWin=0\r\nSyncOnStartup=0\r\nSchedule=0\r\nScheduleInt=0\r\n"
    "UseEncryption=0\r\nConfirmChanges=1\r\nLogActivity=0\r\nLogPurge=100\r\n";

SyncSettings FilledSettings() {
  SyncSettings s;
  s.Name = "Office PC";
  s.Server = "ftp.example.org";
  s.Username = "anna";
  s.Password = "s3cret pass";
  s.Port = "2121";
  s.Passive = 0;
  s.RemoteDir = "/favs/shared";
  s.StartWithWin = 1;
  s.SyncOnStartup = 1;
  s.Schedule = 1;
  s.ScheduleInt = 7;
  s.UseEncryption = 1;
  s.ConfirmChanges = 0;
  s.LogActivity = 1;
  s.LogPurge = 1000;
  return s;
}

class SyncSettingsTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& bytes) {
    test::WriteFileBytes(path_, bytes);
    return path_;
  }

  test::TempDir dir_;
  const std::string path_ = dir_.path() + "kestrin.ini";
};

TEST_F(SyncSettingsTest, WithoutAFileOnlyPortPassiveAndConfirmAreSet) {
  SyncSettings current = FilledSettings();
  const LoadedSettings loaded = LoadSettings(path_, current);
  EXPECT_FALSE(loaded.fileExisted);
  current.Port = "21";
  current.Passive = 1;
  current.ConfirmChanges = 1;
  EXPECT_EQ(loaded.settings, current);
  EXPECT_TRUE(loaded.warnings.empty());
}

TEST_F(SyncSettingsTest, SaveAndLoadGiveBackEverySetting) {
  ASSERT_TRUE(SaveSettings(path_, FilledSettings()));
  const LoadedSettings loaded = LoadSettings(path_, SyncSettings{});
  EXPECT_TRUE(loaded.fileExisted);
  EXPECT_EQ(loaded.settings, FilledSettings());
  EXPECT_TRUE(loaded.warnings.empty());
}

TEST_F(SyncSettingsTest, PasswordIsStoredInRadix64Only) {
  SyncSettings s;
  s.Password = "secret";
  ASSERT_TRUE(SaveSettings(path_, s));
  const std::string file = test::ReadFileBytes(path_);
  EXPECT_NE(file.find("\r\nPassword=c2VjcmV0\r\n"), std::string::npos);
  EXPECT_EQ(file.find("secret"), std::string::npos);
}

TEST_F(SyncSettingsTest, FileWithOnlyTheSectionLineClearsEverything) {
  const LoadedSettings loaded = LoadSettings(Write("[Settings]\r\n"), FilledSettings());
  SyncSettings expected;
  expected.Port = "";
  expected.Passive = 0;
  expected.ConfirmChanges = 0;
  // The purge slider cannot show 0, so it keeps its place.
  expected.LogPurge = FilledSettings().LogPurge;
  EXPECT_TRUE(loaded.fileExisted);
  EXPECT_EQ(loaded.settings, expected);
  EXPECT_TRUE(loaded.warnings.empty());
}

// It holds the password: a file made by hand is closed to others once read, but no file is
// changed through a link.
TEST_F(SyncSettingsTest, AHandMadeFileIsClosedToOthersWhenRead) {
  namespace fs = std::filesystem;
  const std::string linked = dir_.path() + "linked.ini";
  fs::create_symlink(Write("[Settings]\r\nName=pc\r\n"), linked);
  fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                             fs::perms::others_read);
  EXPECT_EQ(LoadSettings(linked, SyncSettings{}).settings.Name, "pc");
  EXPECT_EQ(fs::status(path_).permissions() & fs::perms::others_read, fs::perms::others_read);
  EXPECT_EQ(LoadSettings(path_, SyncSettings{}).settings.Name, "pc");
  EXPECT_EQ(fs::status(path_).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(SyncSettingsTest, LastSyncSurvivesASave) {
  Write("[Settings]\r\nLastSync=12/5/2026 4:08:51 AM\r\nName=old\r\n");
  ASSERT_TRUE(SaveSettings(path_, FilledSettings()));
  EXPECT_EQ(ReadIniString(path_, kSettingsSection, kLastSyncKey), "12/5/2026 4:08:51 AM");
  EXPECT_EQ(ReadIniString(path_, kSettingsSection, "Name"), "Office PC");
}

TEST_F(SyncSettingsTest, PasswordThatDoesNotDecodeLoadsEmptyAndIsReported) {
  const LoadedSettings loaded =
      LoadSettings(Write("[Settings]\r\nPassword=not*radix64!\r\nName=pc\r\n"), FilledSettings());
  EXPECT_EQ(loaded.settings.Password, "");
  EXPECT_EQ(loaded.settings.Name, "pc");
  ASSERT_EQ(loaded.warnings.size(), 1u);
  EXPECT_NE(loaded.warnings[0].find("Password"), std::string::npos);
}

TEST_F(SyncSettingsTest, MalformedOrOutOfRangeNumbersKeepTheCurrentValue) {
  const SyncSettings current = FilledSettings();
  const LoadedSettings loaded =
      LoadSettings(Write("[Settings]\r\nPassive=2\r\nSchedule=abc\r\nScheduleInt=8\r\n"
                         "UseEncryption=1x\r\nLogPurge=9\r\nConfirmChanges=1\r\n"),
                   current);
  const SyncSettings& s = loaded.settings;
  EXPECT_EQ(s.Passive, current.Passive);
  EXPECT_EQ(s.Schedule, current.Schedule);
  EXPECT_EQ(s.ScheduleInt, current.ScheduleInt);
  EXPECT_EQ(s.UseEncryption, current.UseEncryption);
  EXPECT_EQ(s.LogPurge, current.LogPurge);
  EXPECT_EQ(s.ConfirmChanges, 1);
  EXPECT_EQ(s.SyncOnStartup, 0);  // missing
  EXPECT_EQ(loaded.warnings.size(), 5u);
}

TEST_F(SyncSettingsTest, FailedSaveIsReported) {
  EXPECT_FALSE(SaveSettings(dir_.path() + "missing/kestrin.ini", FilledSettings()));
  SyncSettings s;
  s.Name = "two\nlines";
  EXPECT_FALSE(SaveSettings(path_, s));
}

}  // namespace
}  // namespace kestrin
