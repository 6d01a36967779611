// The desktop session's decisions without a window: start-up, the interlocks between the
// settings, the window's closing and the tray.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/ini_file.h"
#include "tests/desktop/recording_view.h"

namespace kestrin::test {
namespace {

using desktop::SettingField;

const char kNoScheduleWithConfirm[] =
    "You cannot enable the option, 'Schedule Sync' with the option, 'Confirm Changes'.";
const char kNoConfirmWithSchedule[] =
    "You cannot enable the option, 'Confirm Changes' with the option, 'Schedule Sync'.";

// A first start opens the window on the first of the settings a run needs that is empty.
TEST(StartUp, FirstStartShowsTheWindowOnTheFirstSettingToFillIn) {
  struct Case {
    std::vector<std::string SyncSettings::*> filled;
    std::string port;
    std::optional<SettingField> focus;
  };
  using S = SyncSettings;
  const Case cases[] = {
      {{}, "21", SettingField::Name},
      {{&S::Name}, "21", SettingField::Server},
      {{&S::Name, &S::Server}, "21", SettingField::Username},
      {{&S::Name, &S::Server, &S::Username}, "21", SettingField::Password},
      {{&S::Name, &S::Server, &S::Username, &S::Password}, "", SettingField::Port},
      {{&S::Name, &S::Server, &S::Username, &S::Password}, "21", std::nullopt},
  };
  for (const Case& c : cases) {
    DesktopComputer computer;
    ASSERT_TRUE(computer.session->firstStart());
    for (auto field : c.filled) {
      computer.view.controls.*field = "x";
    }
    computer.view.controls.Port = c.port;
    computer.session->ShowAtStart();
    EXPECT_TRUE(computer.view.visible);
    EXPECT_EQ(computer.view.focus, c.focus) << c.filled.size();
  }
}

// Once set up, the program lives in the tray; without a tray the window is its only face.
TEST(StartUp, WithSettingsTheWindowShowsOnlyWhereThereIsNoTray) {
  for (const bool tray : {true, false}) {
    DesktopComputer computer("[Settings]\r\nName=alpha\r\n", tray);
    computer.session->ShowAtStart();
    EXPECT_FALSE(computer.session->firstStart());
    EXPECT_EQ(computer.view.visible, !tray);
    EXPECT_EQ(computer.view.focus, std::nullopt);
  }
}

// A day of ticks.
void TickADay(desktop::DesktopSession& session) {
  for (int tick = 0; tick < 86400; ++tick) {
    session.Tick();
  }
}

// Whatever the file says, nothing synchronizes by itself: "Sync on Startup" and "Schedule
// Sync" end cleared, and a day of ticks starts no run, not even while start-up's message
// box is open. With "Confirm Changes" also set, the user is told once that they exclude
// each other.
TEST(StartUp, NothingSynchronizesByItselfAndTheTrayShowsTheLastSync) {
  for (const bool confirm : {false, true}) {
    DesktopComputer computer(
        "[Settings]\r\nLastSync=12/1/2026 10:00:00 AM\r\nSyncOnStartup=1\r\nSchedule=1\r\n"
        "ScheduleInt=0\r\nConfirmChanges=" +
            std::string(confirm ? "1" : "0") + "\r\n",
        true, [](DesktopComputer& starting) {
          starting.view.whileMessageShown = [&starting] { TickADay(*starting.session); };
        });
    RecordingView& view = computer.view;
    EXPECT_EQ(view.tooltip, "Kestrin (Last Sync: 12/1/2026 10:00:00 AM)");
    EXPECT_EQ(view.status, view.tooltip);
    EXPECT_EQ(view.image, StatusImage::Ready);
    ASSERT_EQ(view.messages.size(), confirm ? 1u : 0u);
    if (confirm) {
      EXPECT_EQ(view.messages[0].text, kNoScheduleWithConfirm);
    }
    EXPECT_TRUE(view.startupOptionsLocked);
    EXPECT_EQ(view.controls.Schedule, 0);
    EXPECT_EQ(view.controls.SyncOnStartup, 0);
    EXPECT_FALSE(computer.session->scheduler().running());
    TickADay(*computer.session);
    EXPECT_TRUE(view.activity.empty());
  }
}

TEST(Interlocks, ConfirmChangesAndScheduleSyncRefuseEachOther) {
  DesktopComputer computer;
  RecordingView& view = computer.view;
  ASSERT_EQ(view.controls.ConfirmChanges, 1);  // a first start's default
  view.SetSchedule(true);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].text, kNoConfirmWithSchedule);
  EXPECT_EQ(view.messages[0].icon, desktop::Message::Icon::Exclamation);
  EXPECT_EQ(view.controls.Schedule, 0);
  EXPECT_FALSE(computer.session->scheduler().running());

  view.SetConfirm(false);
  view.controls.ScheduleInt = 3;
  view.SetSchedule(true);
  EXPECT_EQ(computer.session->scheduler().interval(), 3600);
  view.SetConfirm(true);
  ASSERT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(view.messages[1].text, kNoScheduleWithConfirm);
  EXPECT_EQ(view.controls.ConfirmChanges, 0);
  EXPECT_TRUE(computer.session->scheduler().running());

  // Another interval counts afresh; cleared, the list's choice starts nothing.
  for (int tick = 0; tick < 100; ++tick) {
    computer.session->SchedulerTick();
  }
  computer.session->ScheduleIntervalChanged(true, 0);
  EXPECT_EQ(computer.session->scheduler().counter(), 0);
  EXPECT_EQ(computer.session->scheduler().interval(), 900);
  view.SetSchedule(false);
  computer.session->ScheduleIntervalChanged(false, 1);
  EXPECT_FALSE(computer.session->scheduler().running());
}

TEST(Interlocks, ARunTakesEveryCommandAndUndoNeedsARestorePoint) {
  struct Case {
    bool running;
    bool restorePoint;
    desktop::CommandStates expected;
  };
  const Case cases[] = {
      {false, false, {true, true, false, true, true, true}},
      {false, true, {true, true, true, true, true, true}},
      {true, true, {false, false, false, false, false, false}},
  };
  for (const Case& c : cases) {
    const desktop::CommandStates got = desktop::CommandsFor(c.running, c.restorePoint);
    const auto e = c.expected;
    EXPECT_EQ(std::tie(got.sync, got.importBookmarks, got.undo, got.exit, got.trayMenu,
                       got.settingsPages),
              std::tie(e.sync, e.importBookmarks, e.undo, e.exit, e.trayMenu, e.settingsPages))
        << c.running << c.restorePoint;
  }
}

// Where a tray holds the program only Exit closes the window; without one closing it ends
// the program. Either way the settings are saved first.
TEST(Window, OnlyExitClosesWhereATrayHoldsTheProgramAndClosingSaves) {
  for (const bool tray : {true, false}) {
    DesktopComputer computer("", tray);
    computer.view.controls.Name = "alpha";
    EXPECT_EQ(computer.session->CloseRequested(), !tray);
    computer.session->Exit();
    EXPECT_TRUE(computer.view.closed);
    EXPECT_TRUE(computer.session->CloseRequested());
    EXPECT_EQ(ReadIniString(computer.settingsPath(), "Settings", "Name"), "alpha");
  }
}

TEST(Window, MinimizingHidesItOnlyWhereATrayHoldsTheProgram) {
  for (const bool tray : {true, false}) {
    DesktopComputer computer("", tray);
    EXPECT_EQ(computer.session->WindowStateChanged(true), tray);
    EXPECT_FALSE(computer.session->WindowStateChanged(false));
    EXPECT_TRUE(std::filesystem::exists(computer.settingsPath()));
  }
}

// "Save" says why it refuses a name the shared list cannot carry; the quiet saves keep the
// stored name instead.
TEST(Window, SaveRefusesANameTheListCannotCarryAndQuietSavesKeepTheStoredOne) {
  DesktopComputer computer("[Settings]\r\nName=alpha\r\n");
  computer.view.controls.Name = "PC,home";
  computer.session->Save();
  ASSERT_EQ(computer.view.messages.size(), 1u);
  EXPECT_EQ(computer.view.messages[0].text,
            "Unable to Save Settings: the computer name holds a comma.");
  computer.session->SaveQuietly();
  EXPECT_EQ(ReadIniString(computer.settingsPath(), "Settings", "Name"), "alpha");
}

// The Show/Hide entry does what its caption said when the menu opened, even if the window
// changed since; a left click toggles the window.
TEST(Tray, ShowHideFollowsItsCaptionAndLeftClickToggles) {
  DesktopComputer computer("[Settings]\r\nName=alpha\r\n");
  RecordingView& view = computer.view;
  for (const bool visible : {false, true}) {
    view.visible = visible;
    const auto entries = computer.session->TrayMenuOpening();
    const auto showHide = std::find_if(entries.begin(), entries.end(), [](const auto& entry) {
      return entry.command == desktop::TrayCommand::ShowHide;
    });
    ASSERT_NE(showHide, entries.end());
    EXPECT_EQ(showHide->caption, visible ? "Hide" : "Show");
    computer.session->TrayLeftClick();
    EXPECT_EQ(view.visible, !visible);
    computer.session->ShowHideChosen();
    EXPECT_EQ(view.visible, !visible);  // already as the caption wanted
    view.visible = visible;
    computer.session->ShowHideChosen();
    EXPECT_EQ(view.visible, !visible);
  }
}

TEST(Commands, ViewLogWithoutALogSaysSoAndAFavoriteThatWillNotOpenIsTold) {
  DesktopComputer computer;
  computer.session->ViewLog();
  ASSERT_EQ(computer.view.messages.size(), 1u);
  EXPECT_EQ(computer.view.messages[0].icon, desktop::Message::Icon::Information);
  EXPECT_EQ(computer.view.messages[0].text, "No Activity Log available!");
  computer.view.openSucceeds = false;
  computer.session->OpenFavorite("https://a.example/\x1b[2J");
  ASSERT_EQ(computer.view.notices.size(), 1u);
  EXPECT_TRUE(computer.view.notices[0].failure);
  EXPECT_EQ(computer.view.notices[0].text.find('\x1b'), std::string::npos);
}

}  // namespace
}  // namespace kestrin::test
