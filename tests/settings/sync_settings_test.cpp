#include "settings/sync_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "formats/ini_file.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

namespace fs = std::filesystem;

// No setting at its default, so that a setting not read or not written shows.
const SyncSettings kFilled{"Office PC",
                           "ftp.example.org",
                           "anna",
                           "secret",
                           "2121",
                           0,
                           "/favs/shared",
                           1,
                           1,
                           1,
                           7,
                           1,
                           0,
                           1,
                           1000,
                           0,
                           2,
                           "hunter2",
                           1,
                           1};

class SyncSettingsTest : public ::testing::Test {
 protected:
  LoadedSettings Load(const std::string& bytes, const SyncSettings& current = kFilled) {
    test::WriteFileBytes(path_, bytes);
    return LoadSettings(path_, current);
  }

  test::TempDir dir_;
  const std::string path_ = dir_.path() + "kestrin.ini";
};

// Save keeps the last synchronization time; the password and passphrase are stored in
// Radix-64 only.
TEST_F(SyncSettingsTest, SaveAndLoadGiveBackEverySetting) {
  test::WriteFileBytes(path_, "[Settings]\r\nLastSync=12/5/2026 4:08:51 AM\r\nName=old\r\n");
  ASSERT_TRUE(SaveSettings(path_, kFilled));
  const LoadedSettings loaded = LoadSettings(path_, SyncSettings{});
  EXPECT_TRUE(loaded.fileExisted);
  EXPECT_EQ(loaded.settings, kFilled);
  EXPECT_TRUE(loaded.warnings.empty());
  const std::string file = test::ReadFileBytes(path_);
  EXPECT_NE(file.find("\r\nPassword=c2VjcmV0\r\n"), std::string::npos);
  EXPECT_EQ(file.find("secret"), std::string::npos);
  EXPECT_EQ(file.find("hunter2"), std::string::npos);
  EXPECT_EQ(ReadIniString(path_, kSettingsSection, kLastSyncKey), "12/5/2026 4:08:51 AM");
}

// A file with only the section line clears everything, but the purge slider cannot show 0,
// so it keeps its place.
TEST_F(SyncSettingsTest, MissingKeys) {
  const LoadedSettings empty = Load("[Settings]\r\n");
  EXPECT_TRUE(empty.fileExisted);
  SyncSettings cleared;
  cleared.Port = "";
  cleared.Passive = 0;
  cleared.ConfirmChanges = 0;
  cleared.LogPurge = kFilled.LogPurge;
  cleared.ConfirmMassDeletion = 1;  // older files lack it: the guard stays on
  EXPECT_EQ(empty.settings, cleared);
  EXPECT_TRUE(empty.warnings.empty());
}

// A password that does not decode loads empty; malformed or out-of-range numbers keep the
// current value; each is reported.
TEST_F(SyncSettingsTest, BadValuesAreReportedAndKeepTheCurrentValue) {
  const LoadedSettings loaded = Load(
      "[Settings]\r\nPassword=not*radix64!\r\nName=pc\r\nPassive=2\r\nSchedule=abc\r\n"
      "ScheduleInt=8\r\nUseEncryption=1x\r\nLogPurge=9\r\nConfirmChanges=1\r\nProtocol=5\r\n");
  SyncSettings expected = kFilled;  // the values kept
  expected.Server = expected.Username = expected.Password = expected.Port = expected.RemoteDir =
      expected.Passphrase = "";
  expected.Name = "pc";
  expected.StartWithWin = expected.SyncOnStartup = expected.LogActivity = expected.SyncOnChange = 0;
  expected.ConfirmChanges = expected.ConfirmMassDeletion = 1;
  EXPECT_EQ(loaded.settings, expected);
  ASSERT_EQ(loaded.warnings.size(), 7u);
  EXPECT_NE(loaded.warnings[0].find("Password"), std::string::npos);
}

// It holds the password: a file made by hand is closed to others once read, but no file is
// changed through a link.
TEST_F(SyncSettingsTest, AHandMadeFileIsClosedToOthersWhenRead) {
  const std::string linked = dir_.path() + "linked.ini";
  Load("[Settings]\r\nName=pc\r\n");
  fs::create_symlink(path_, linked);
  fs::permissions(path_, fs::perms(0644));
  EXPECT_EQ(LoadSettings(linked, SyncSettings{}).settings.Name, "pc");
  EXPECT_EQ(fs::status(path_).permissions(), fs::perms(0644));
  EXPECT_EQ(LoadSettings(path_, SyncSettings{}).settings.Name, "pc");
  EXPECT_EQ(fs::status(path_).permissions(), fs::perms(0600));
}

TEST_F(SyncSettingsTest, FailedSaveIsReported) {
  EXPECT_FALSE(SaveSettings(dir_.path() + "missing/kestrin.ini", kFilled));
}

}  // namespace
}  // namespace kestrin
