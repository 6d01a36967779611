#pragma once

#include <QMainWindow>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "bookmarks/bookmark_tree.h"
#include "platform/result.h"
#include "settings/sync_settings.h"
#include "sync/favorites_watch.h"
#include "sync/run_display.h"
#include "sync/run_summary.h"
#include "ui/favorites_menu.h"
#include "ui/main_window_controls.h"
#include "ui/paced_repaint.h"
#include "ui/scheduler.h"
#include "ui/tray_icon.h"

namespace kestrin::ui {

// What the window needs from the world, so that tests can give it temporary folders and
// their own clock.
// Ticks the Favorites folder stays the same after a change before "Sync when Favorites
// change" starts a run.
inline constexpr int kFavoritesQuietTicks = 30;

struct MainWindowConfig {
  std::string settingsPath;
  std::string favoritesRoot;                   // ends in "/"
  std::chrono::milliseconds tickPeriod{1000};  // the scheduler's and the dialog's clock
  // help, manual, log and the URLs of the tray's Favorites menu
  std::function<bool(const std::string&)> openDocument{};
  // Without a notification area the window is the program's only face: it is shown at
  // start, cannot be hidden, and closing it ends the program.
  bool trayAvailable = true;
  QString showRequestChannel{};  // where later starts ask for the window; empty: nowhere
};

// frmMain: the settings pages, the commands, the run display and the tray icon. It is
// created hidden and lives in the notification area; only Exit closes it (or, where there
// is no notification area, closing the window).
class MainWindow : public QMainWindow, public RunDisplay {
  Q_OBJECT

 public:
  explicit MainWindow(MainWindowConfig config);

  const MainWindowControls& controls() const { return c_; }
  const TrayIcon& trayIcon() const { return tray_; }
  const FavoritesMenu& favoritesMenu() const { return *favorites_; }
  const Scheduler& scheduler() const { return scheduler_; }
  bool runInProgress() const { return runInProgress_; }

  // Shows the window where start-up needs it: without a notification area, and on a
  // first start, on the page of the first setting to fill in.
  void ShowAtStart();

  // The settings as the controls hold them.
  SyncSettings SettingsFromControls() const;

  // Handlers, public so that tests can drive them like the window system does.
  void Timer1_Timer();
  // "Sync when Favorites change": each tick looks at the Favorites folder.
  void FavoritesWatch_Timer();
  void SyncNow();  // cmdSync, mnuFile_Sync and mnuTRAY_Sync
  // mnuFile_Undo, mnuTRAY_Undo and the notification's Undo: asks, then puts back what the
  // newest restore point holds.
  void UndoLastSync();
  // The run's question at a computer's first join: true keeps its favorites.
  bool KeepOnFirstJoin(std::size_t localShortcuts);
  // Bookmarks in and out: the menu commands ask for the source or the file, then call these.
  void ImportBookmarks(const Result<Bookmarks>& bookmarks);
  void ExportBookmarks(const QString& path);
  // File → Connect Browsers…: installs the browser bridge's host for each browser the home
  // folder (ending in "/") holds, serving these settings and this Favorites folder.
  void ConnectBrowsers(const std::string& homeFolder);
  // The run's question about a server never seen before: true trusts it.
  bool TrustNewServer(const std::string& server, const std::string& fingerprint);
  void TrayLeftClick();
  void mnuTRAY_Show_Click();
  void Exit();

  // RunDisplay
  void ClearActivityPane() override;
  void AppendActivityLine(const std::string& text) override;
  void SetStatusText(const std::string& text) override;
  void SetTrayState(StatusImage image, const std::string& tooltip) override;
  void ShowRunState(bool running) override;
  void ShowProgress(const std::string& text) override;

 signals:
  // Exit has saved the settings and removed the tray icon: the program may end.
  void exited();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Form_Load();
  void Form_Resize();
  void ConnectHandlers();
  void LoadSettingsIntoControls();
  void SaveSettingsFromControls();
  void cmdSaveSettings_Click();
  void ShowWithFocus();
  void RunSyncFromControls();
  void NotifyRunEnd(bool succeeded);
  void ReportChanges(const RunSummary& summary);
  void EnableUndo(bool running);  // Undo needs a restore point and no run under way
  void DisableStartupOptions();

  void ShowEncryptionMode();
  void chkConfirm_Click();
  void chkSchedule_Click();
  void cmbSchedule_Click();
  void cmbProtocol_Click();
  void chkLogAct_Click();
  void chkStartWithWin_Click();
  void sldLogAct_Change();
  void mnuFile_Import_Click();
  void mnuFile_Export_Click();
  void ViewLog();
  void OpenHelp();
  void ShowAbout();

  MainWindowConfig config_;
  std::string restoreFolder_;
  MainWindowControls c_;
  Scheduler scheduler_;
  QTimer favoritesWatch_;
  QuietAfterChange favoritesQuiet_;
  TrayIcon tray_;
  FavoritesMenu* favorites_;  // owned by the tray menu
  bool loading_ = true;
  bool runInProgress_ = false;
  bool exiting_ = false;
  bool centred_ = false;
  bool firstStart_ = false;   // no settings file at start-up
  SyncSettings loaded_;       // as read: the keys without a control are saved as they were
  int favoritesChanges_ = 0;  // of the run under way
  // While a long pass shows its progress in the status text, the lines' texts wait here.
  bool progressShown_ = false;
  QString statusText_;
  PacedRepaint repaintActivity_;  // the activity pane, a line at a time
  PacedRepaint repaintStatus_;    // the status text, a line or a progress step at a time
  std::optional<RunSummary> reportedChanges_;  // by the run under way
};

}  // namespace kestrin::ui
