#pragma once

#include "win32/windows_api.h"

#include <array>
#include <memory>
#include <optional>

#include "desktop/desktop_session.h"
#include "desktop/desktop_view.h"
#include "win32/dialog_units.h"
#include "win32/tray_icon.h"
#include "win32/tray_menu.h"
#include "win32/window_owner.h"

namespace kestrin::win32 {

// frmMain: the tab strip with its three pages, "Save" and "Sync Now!", the status bar, the
// menus and the tray icon. It only draws and hands the user's actions to its session,
// which decides; it is created hidden and lives in the notification area.
class MainWindow final : public desktop::DesktopView, private WindowOwner {
 public:
  explicit MainWindow(desktop::DesktopConfig config);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Loads the settings into the controls and shows the window where start-up needs it.
  void Start();

  // The window class, which a later start looks for to bring the window forward, and the
  // message that asks for it.
  static constexpr wchar_t kWindowClass[] = L"KestrinMain";
  static UINT ShowRequestMessage();

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
  bool WindowVisible() const override;
  void ShowWindow(std::optional<desktop::SettingField> focus) override;
  void HideWindow() override;
  void CloseWindow() override;
  void ShowMessage(const desktop::Message& message) override;
  int Ask(const desktop::Question& question) override;
  void Notify(const desktop::Notice& notice) override;
  std::optional<std::vector<ChangeRow>> ConfirmChanges(const ChangeList& changes) override;
  std::optional<std::string> AskBookmarkFile(desktop::BookmarkFileUse use,
                                             const std::string& suggested) override;
  void Yield() override;
  void Idle(std::chrono::milliseconds duration) override;
  bool Open(const std::string& target) override;

 private:
  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // The window and its controls (main_window_frame.cpp).
  HWND CreateFrame();
  void CreateControls();
  void ApplyDpi();
  void ResizeToDesign();
  void LayOut();
  SIZE DesignedClientSize() const;
  HWND Control(int id) const;
  void TabStrip1_Click();
  void ShowPage(int index);
  void CentreOnScreen();

  // Commands and notifications (main_window.cpp).
  void OnCommand(int id, int code);
  void OnTrayMessage(LPARAM event);
  void OpenTrayMenu();
  void ShowAbout();

  // The settings in the controls (main_window_settings.cpp).
  void PrepareSettingControls();
  bool Checked(int id) const;
  // Sets a check box; when its state changes, its handler runs as for the user's click.
  void SetChecked(int id, bool checked);
  void OnSettingChanged(int id);
  void chkConfirm_Click();
  void chkSchedule_Click();
  void chkLogAct_Click();
  void sldLogAct_Change();
  void cmbProtocol_Click();
  void ShowEncryptionMode();

  HWND window_ = nullptr;
  std::unique_ptr<Fonts> fonts_;
  std::optional<DialogUnits> units_;
  std::array<HWND, 3> pages_{};
  TrayMenu trayMenu_;
  std::optional<TrayIcon> tray_;
  std::optional<desktop::DesktopSession> session_;
  bool centred_ = false;
};

}  // namespace kestrin::win32
