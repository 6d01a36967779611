#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/desktop_session.h"
#include "desktop/desktop_view.h"
#include "tests/support/temp_dir.h"

namespace kestrin::test {

// A front end without widgets: its "controls" are a SyncSettings, which it changes as a
// window's check boxes would (calling the session's handlers), and it records what it was
// asked to show. Questions get the answers queued in `answers`, else their default.
class RecordingView : public desktop::DesktopView {
 public:
  RecordingView() { controls.ConfirmChanges = 0; }  // a new window's check boxes are clear

  SyncSettings controls{};
  bool trayShown = false;
  bool visible = false;
  bool closed = false;
  bool startupOptionsLocked = false;
  std::optional<desktop::SettingField> focus;
  std::vector<std::string> activity;
  std::string status;
  StatusImage image = StatusImage::Ready;
  std::string tooltip;
  std::optional<desktop::CommandStates> commands;
  std::vector<desktop::Message> messages;
  std::vector<desktop::Question> questions;
  std::vector<int> answers;
  std::vector<desktop::Notice> notices;
  std::vector<std::string> opened;
  bool openSucceeds = true;
  // What the window system does while a message box is open (a timer may tick).
  std::function<void()> whileMessageShown;
  // Called when a run asks to confirm its changes; answers "Cancel" when empty.
  std::function<std::optional<std::vector<ChangeRow>>(const ChangeList&)> confirm;

  void Attach(desktop::DesktopSession& session) { session_ = &session; }
  // Ticks or clears a check box as the user would: the session's handler decides.
  void SetConfirm(bool on);
  void SetSchedule(bool on);

  SyncSettings SettingsShown(const SyncSettings& stored) const override;
  void ShowSettings(const SyncSettings& settings) override;
  void LockStartupOptions() override;
  void ClearActivity() override { activity.clear(); }
  void AppendActivity(const std::string& line) override { activity.push_back(line); }
  void ShowStatus(const std::string& text) override { status = text; }
  void ShowTrayState(StatusImage shown, const std::string& text) override;
  void ShowRunState(bool) override {}
  void ShowCommands(const desktop::CommandStates& states) override { commands = states; }
  void FavoritesChanged() override {}
  bool WindowVisible() const override { return visible; }
  void ShowWindow(std::optional<desktop::SettingField> field) override;
  void HideWindow() override { visible = false; }
  void CloseWindow() override { closed = true; }
  void ShowMessage(const desktop::Message& message) override;
  int Ask(const desktop::Question& question) override;
  void Notify(const desktop::Notice& notice) override { notices.push_back(notice); }
  std::optional<std::vector<ChangeRow>> ConfirmChanges(const ChangeList& changes) override;
  void Yield() override {}
  void Idle(std::chrono::milliseconds) override {}
  bool Open(const std::string& target) override;

 private:
  desktop::DesktopSession* session_ = nullptr;
};

// One computer: a settings file and a Favorites folder in a temporary folder, its session
// started as a desktop program starts it.
struct DesktopComputer {
  explicit DesktopComputer(const std::string& settingsFile = "", bool trayAvailable = true,
                           std::function<void(DesktopComputer&)> beforeStartUp = {});
  std::string settingsPath() const { return dir.path() + "kestrin.ini"; }
  std::string favoritesRoot() const { return dir.path() + "Favorites/"; }

  TempDir dir;
  RecordingView view;
  std::unique_ptr<desktop::DesktopSession> session;
};

}  // namespace kestrin::test
