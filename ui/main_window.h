#pragma once

#include <QMainWindow>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "desktop/desktop_session.h"
#include "desktop/desktop_view.h"
#include "ui/favorites_menu.h"
#include "ui/main_window_controls.h"
#include "ui/paced_repaint.h"
#include "ui/tray_icon.h"

namespace kestrin::ui {

// What the window needs from the world, so that tests can give it temporary folders and
// their own clock.
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

// frmMain: the settings pages, the commands, the run display and the tray icon, drawn for
// the desktop session, which decides what they do. It is created hidden and lives in the
// notification area; only Exit closes it (or, where there is no notification area, closing
// the window).
class MainWindow : public QMainWindow, public desktop::DesktopView {
  Q_OBJECT

 public:
  explicit MainWindow(MainWindowConfig config);

  const MainWindowControls& controls() const { return c_; }
  const TrayIcon& trayIcon() const { return tray_; }
  const FavoritesMenu& favoritesMenu() const { return *favorites_; }
  desktop::DesktopSession& session() { return session_; }

  // Shows the window where start-up needs it (DesktopSession::ShowAtStart).
  void ShowAtStart() { session_.ShowAtStart(); }
  void SyncNow() { session_.SyncNow(); }

  // DesktopView
  SyncSettings SettingsShown(const SyncSettings& stored) const override;
  void ShowSettings(const SyncSettings& settings) override;
  void LockStartupOptions() override;
  void ClearActivity() override;
  void AppendActivity(const std::string& line) override;
  void ShowStatus(const std::string& text) override;
  void ShowTrayState(StatusImage image, const std::string& tooltip) override;
  void ShowRunState(bool running) override;
  void ShowCommands(const desktop::CommandStates& commands) override;
  void FavoritesChanged() override;
  bool WindowVisible() const override { return isVisible(); }
  void ShowWindow(std::optional<desktop::SettingField> focus = std::nullopt) override;
  void HideWindow() override { hide(); }
  void CloseWindow() override { close(); }
  void ShowMessage(const desktop::Message& message) override;
  int Ask(const desktop::Question& question) override;
  void Notify(const desktop::Notice& notice) override;
  std::optional<std::vector<ChangeRow>> ConfirmChanges(const ChangeList& changes) override;
  std::optional<std::string> AskBookmarkFile(desktop::BookmarkFileUse use,
                                             const std::string& suggested) override;
  void Yield() override;
  void Idle(std::chrono::milliseconds duration) override;
  bool Open(const std::string& target) override;

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
  void ConnectSettingsHandlers();
  void TrayMenuOpening();

  void ShowEncryptionMode();
  void chkConfirm_Click();
  void chkSchedule_Click();
  void cmbProtocol_Click();
  void chkLogAct_Click();
  void sldLogAct_Change();
  void ShowAbout();

  MainWindowConfig config_;
  MainWindowControls c_;
  desktop::DesktopSession session_;
  QTimer clock_;  // Timer1: the session's one-second tick
  TrayIcon tray_;
  FavoritesMenu* favorites_;  // owned by the tray menu
  bool centred_ = false;
  PacedRepaint repaintActivity_;  // the activity pane, a line at a time
  PacedRepaint repaintStatus_;    // the status text, a line or a progress step at a time
};

}  // namespace kestrin::ui
