#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "bookmarks/bookmark_tree.h"
#include "desktop/commands.h"
#include "desktop/desktop_view.h"
#include "desktop/scheduler.h"
#include "desktop/tray_menu.h"
#include "formats/general_date.h"
#include "platform/result.h"
#include "settings/sync_settings.h"
#include "sync/favorites_watch.h"
#include "sync/run_display.h"
#include "sync/run_summary.h"

namespace kestrin::desktop {

// Ticks the Favorites folder stays the same after a change before "Sync when Favorites
// change" starts a run.
inline constexpr int kFavoritesQuietTicks = 30;

// What the session needs from the world, so that tests can give it temporary folders.
struct DesktopConfig {
  std::string settingsPath;
  std::string favoritesRoot;  // ends in "/"
  // Without a notification area the window is the program's only face: it is shown at
  // start, cannot be hidden, and closing it ends the program.
  bool trayAvailable = true;
  GeneralDateFormat dateFormat{};  // the user's, for the run and Undo's question
  char decimalSeparator = '.';
};

// The desktop program without its drawing: start-up, the interlocks between the settings
// and the commands, the scheduler, the runs and what they tell, Undo Last Sync and the tray
// menu. It holds the state and takes the decisions; it shows and asks through its
// DesktopView. Each front end owns one, implements the view, and calls the handlers below
// from its widgets, its tray icon and its one-second timer. It is also the engine's run
// display: lines reach the view printable, and it counts what they change.
class DesktopSession : public RunDisplay {
 public:
  DesktopSession(DesktopConfig config, DesktopView& view);

  // --- Start-up, called once by the front end after making its (hidden) window.
  // Shows the ready state ("Kestrin (Last Sync: …)") on the tray and the status text, puts
  // the stored settings into the controls, then puts "Sync on Startup" and "Schedule Sync"
  // out of reach and cleared, so that nothing synchronizes by itself at start-up.
  void StartUp();
  // Shows the window where start-up needs it: without a notification area, and on a first
  // start (no settings file), on the page of the first setting to fill in.
  void ShowAtStart();
  bool firstStart() const { return firstStart_; }

  // --- Settings, called by the controls' change handlers (also while StartUp loads them).
  // "Confirm Changes" changed; false when it may not stay ticked beside "Schedule Sync"
  // (the user has been told why): the front end clears it.
  bool ConfirmChanged(bool confirm, bool schedule);
  // "Schedule Sync" changed; false when it may not be ticked beside "Confirm Changes" (the
  // user has been told why): the front end clears it, which calls this again. Starts or
  // stops the scheduler at the interval of the "Every:" list's `listPosition`.
  bool ScheduleChanged(bool schedule, bool confirm, int listPosition);
  // The "Every:" list's choice changed: a running schedule counts the new interval from 0.
  void ScheduleIntervalChanged(bool schedule, int listPosition);
  // "Startup with Windows" changed: the autostart entry follows at once.
  void StartWithWindowsChanged(bool on);
  // "Save": refuses, with a message, a computer name the shared list cannot carry.
  void Save();
  // Saving without a word, at every show, resize and at the end: a computer name that cannot
  // be carried leaves the stored one in place.
  void SaveQuietly();
  // The settings as stored, under the controls' values (the keys without a control).
  const SyncSettings& storedSettings() const { return stored_; }

  // --- The window.
  // The window was shown, minimized or restored: saves; true when it is to be hidden
  // (minimized while the tray holds the program).
  bool WindowStateChanged(bool minimized);
  // The window system asks to close the window: true when it may close, after the settings
  // were saved (the front end then removes its tray icon and ends). Closing is refused while
  // a run lasts, and where a tray holds the program only Exit closes it.
  bool CloseRequested();
  // File → Exit and the tray's Exit: unavailable while a run lasts.
  void Exit();

  // --- Commands.
  void SyncNow();  // "Sync Now!" in the window, the File menu and the tray menu
  // Undo Last Sync, from either menu or the notice of what a run changed: asks, then puts
  // back what the newest restore point holds.
  void UndoLastSync();
  void ViewLog();
  void OpenHelp();
  // Opens a Favorites menu entry's target; tells the user when it could not.
  void OpenFavorite(const std::string& target);
  // File → Import Bookmarks…: asks which browser's bookmarks, or which bookmark file.
  void ImportBookmarksChosen();
  // File → Export Bookmarks…: asks for the file.
  void ExportBookmarksChosen();
  // Takes bookmarks into the Favorites folder, telling what came in and what did not.
  void ImportBookmarks(const Result<Bookmarks>& bookmarks);
  // Writes the Favorites as a bookmark file at `path`.
  void ExportBookmarks(const std::string& path);
  // File → Connect Browsers…: installs the browser bridge's host for each browser the home
  // folder (ending in "/") holds, serving these settings and this Favorites folder.
  void ConnectBrowsers(const std::string& homeFolder);
  CommandStates commands() const;
  bool runInProgress() const { return runInProgress_; }

  // --- The tray.
  // The icon's single left click: hides a visible window, shows a hidden one.
  void TrayLeftClick();
  // The menu is about to open: its entries, with "Show" or "Hide" as the window is now.
  std::vector<TrayMenuEntry> TrayMenuOpening();
  // The Show/Hide entry was chosen: does what its caption said when the menu opened.
  void ShowHideChosen();

  // --- The clock: the front end's timer calls Tick once a second.
  void Tick();
  void SchedulerTick();       // "Schedule Sync"
  void FavoritesWatchTick();  // "Sync when Favorites change"
  const Scheduler& scheduler() const { return scheduler_; }

  // --- The run's questions (asked through the view).
  bool KeepOnFirstJoin(std::size_t localShortcuts);
  bool TrustNewServer(const std::string& server, const std::string& fingerprint);

  // RunDisplay, for the engine and for the front end's own commands (import, export).
  void ClearActivityPane() override;
  void AppendActivityLine(const std::string& text) override;
  void SetStatusText(const std::string& text) override;
  void SetTrayState(StatusImage image, const std::string& tooltip) override;
  void ShowRunState(bool running) override;
  void ShowProgress(const std::string& text) override;

  const std::string& statusText() const { return statusText_; }
  const std::string& restoreFolder() const { return restoreFolder_; }
  const DesktopConfig& config() const { return config_; }

 private:
  void RunSync();
  void NotifyRunEnd(bool succeeded);
  void ShowCommands();
  bool HasRestorePoint() const;

  DesktopConfig config_;
  DesktopView& view_;
  std::string restoreFolder_;
  SyncSettings stored_;
  Scheduler scheduler_;
  QuietAfterChange favoritesQuiet_{kFavoritesQuietTicks};
  bool starting_ = true;  // ticks wait until start-up has finished
  bool firstStart_ = false;
  bool runInProgress_ = false;
  bool exiting_ = false;
  std::string showHideCaption_;
  std::string statusText_;
  bool progressShown_ = false;  // a long pass's progress stands in the status text
  int favoritesChanges_ = 0;    // of the run under way
  std::optional<RunSummary> reportedChanges_;
};

}  // namespace kestrin::desktop
