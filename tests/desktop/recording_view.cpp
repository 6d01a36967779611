#include "tests/desktop/recording_view.h"

#include <filesystem>

namespace kestrin::test {

void RecordingView::SetConfirm(bool on) {
  if (controls.ConfirmChanges == (on ? 1 : 0)) {
    return;
  }
  controls.ConfirmChanges = on ? 1 : 0;
  if (!session_->ConfirmChanged(on, controls.Schedule == 1)) {
    SetConfirm(false);
  }
}

void RecordingView::SetSchedule(bool on) {
  if (controls.Schedule == (on ? 1 : 0)) {
    return;
  }
  controls.Schedule = on ? 1 : 0;
  if (!session_->ScheduleChanged(on, controls.ConfirmChanges == 1, controls.ScheduleInt)) {
    SetSchedule(false);
  }
}

// Every key has a "control" here, so nothing stored shows through.
SyncSettings RecordingView::SettingsShown(const SyncSettings& /*stored*/) const {
  return controls;
}

// In the order the window's controls take them: "Schedule Sync" before "Confirm Changes".
void RecordingView::ShowSettings(const SyncSettings& settings) {
  SyncSettings rest = settings;
  rest.Schedule = controls.Schedule;
  rest.ConfirmChanges = controls.ConfirmChanges;
  controls = rest;
  SetSchedule(settings.Schedule == 1);
  SetConfirm(settings.ConfirmChanges == 1);
}

void RecordingView::LockStartupOptions() {
  startupOptionsLocked = true;
  controls.SyncOnStartup = 0;
  SetSchedule(false);
}

void RecordingView::ShowTrayState(StatusImage shown, const std::string& text) {
  trayShown = true;
  image = shown;
  tooltip = text;
}

void RecordingView::ShowWindow(std::optional<desktop::SettingField> field) {
  visible = true;
  focus = field;
}

void RecordingView::ShowMessage(const desktop::Message& message) {
  messages.push_back(message);
  if (whileMessageShown) {
    whileMessageShown();
  }
}

int RecordingView::Ask(const desktop::Question& question) {
  questions.push_back(question);
  if (answers.empty()) {
    return 0;
  }
  const int answer = answers.front();
  answers.erase(answers.begin());
  return answer;
}

std::optional<std::vector<ChangeRow>> RecordingView::ConfirmChanges(const ChangeList& changes) {
  return confirm ? confirm(changes) : std::nullopt;
}

bool RecordingView::Open(const std::string& target) {
  opened.push_back(target);
  return openSucceeds;
}

DesktopComputer::DesktopComputer(const std::string& settingsFile, bool trayAvailable,
                                 std::function<void(DesktopComputer&)> beforeStartUp) {
  std::filesystem::create_directories(favoritesRoot());
  if (!settingsFile.empty()) {
    WriteFileBytes(settingsPath(), settingsFile);
  }
  session = std::make_unique<desktop::DesktopSession>(
      desktop::DesktopConfig{.settingsPath = settingsPath(),
                             .favoritesRoot = favoritesRoot(),
                             .trayAvailable = trayAvailable},
      view);
  view.Attach(*session);
  if (beforeStartUp) {
    beforeStartUp(*this);
  }
  session->StartUp();
}

}  // namespace kestrin::test
