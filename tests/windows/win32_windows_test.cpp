// kestrin.exe's windows: what the tray's record holds, menu captions, and the settings going
// into frmMain's controls and out again. Run under Wine, with a display, by desktop_test.py.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/native_path.h"
#include "platform/whole_file.h"
#include "settings/sync_settings.h"
#include "win32/main_window.h"
#include "win32/menus.h"
#include "win32/tray_icon.h"

namespace kestrin::win32 {
namespace {

TEST(TrayIconText, KeepsItsFirst63CharactersAndNoHalfOfAPair) {
  const std::string seventy(70, 'x');
  EXPECT_EQ(CutText(seventy, TrayIcon::kTooltipLimit), std::wstring(63, L'x'));
  // U+1F426 takes two UTF-16 units; the 63rd unit would be the first of them.
  const std::string bird = std::string(62, 'x') + "\xF0\x9F\x90\xA6";
  EXPECT_EQ(CutText(bird, TrayIcon::kTooltipLimit), std::wstring(62, L'x'));
  EXPECT_EQ(CutText("Kestrin", TrayIcon::kTooltipLimit), L"Kestrin");
}

TEST(MenuCaptions, AnAmpersandFromAFavoriteShowsAsItself) {
  EXPECT_EQ(MenuCaption("Q&A & more", false), L"Q&&A && more");
  EXPECT_EQ(MenuCaption("&Sync Now!", true), L"&Sync Now!");
}

// Every setting reaches its control and comes back the same; start-up then clears and
// locks "Sync on Startup" and "Schedule Sync".
TEST(MainWindowSettings, EachSettingGoesIntoItsControlAndBack) {
  const std::string folder = CorePath(std::filesystem::current_path()) + "/main window/";
  std::filesystem::create_directories(NativePath(folder));
  SyncSettings stored;
  stored.Name = "Büro";
  stored.Server = "127.0.0.1";
  stored.Username = "user";
  stored.Password = "sécret";
  stored.Port = "2121";
  stored.Passive = 0;
  stored.RemoteDir = "shared/list";
  stored.SyncOnStartup = 1;
  stored.SyncOnChange = 1;
  stored.Schedule = 1;
  stored.ScheduleInt = 5;
  stored.UseEncryption = 1;
  stored.Passphrase = "long phrase";
  stored.ConfirmChanges = 0;
  stored.LogActivity = 1;
  stored.LogPurge = 250;
  stored.Protocol = 2;
  ASSERT_TRUE(SaveSettings(folder + "kestrin.ini", stored));

  MainWindow window({.settingsPath = folder + "kestrin.ini", .favoritesRoot = folder});
  window.Start();
  SyncSettings expected = stored;
  expected.SyncOnStartup = 0;
  expected.Schedule = 0;
  EXPECT_EQ(window.SettingsShown({}), expected);
  EXPECT_FALSE(window.WindowVisible());
}

}  // namespace
}  // namespace kestrin::win32
