#include "desktop/desktop_session.h"

#include <filesystem>

#include "desktop/help_document.h"
#include "favorites/data_file.h"
#include "formats/ini_file.h"
#include "formats/printable_text.h"
#include "platform/program_folder.h"
#include "settings/program_files.h"
#include "settings/startup_entry.h"
#include "sync/activity.h"
#include "sync/restore_point.h"

namespace kestrin::desktop {

DesktopSession::DesktopSession(DesktopConfig config, DesktopView& view)
    : config_(std::move(config)),
      view_(view),
      restoreFolder_(RestoreFolderOf(ProgramFilesFor(config_.settingsPath).workFolder)) {}

void DesktopSession::StartUp() {
  std::error_code ec;
  firstStart_ = !std::filesystem::exists(config_.settingsPath, ec);
  const std::string readyText =
      std::string(kApplicationTitle) +
      " (Last Sync: " + ReadIniString(config_.settingsPath, kSettingsSection, kLastSyncKey) + ")";
  SetTrayState(StatusImage::Ready, readyText);
  SetStatusText(readyText);
  const LoadedSettings loaded = LoadSettings(config_.settingsPath, view_.SettingsShown(stored_));
  stored_ = loaded.settings;
  view_.ShowSettings(loaded.settings);
  // Values that could not be taken are told where the user looks for what happened.
  for (const std::string& warning : loaded.warnings) {
    AppendActivityLine(warning);
  }
  view_.LockStartupOptions();
  ShowCommands();
  starting_ = false;
}

void DesktopSession::ShowAtStart() {
  std::optional<SettingField> focus;
  if (firstStart_) {
    const SyncSettings shown = view_.SettingsShown(stored_);
    const std::pair<SettingField, const std::string*> required[] = {
        {SettingField::Name, &shown.Name},
        {SettingField::Server, &shown.Server},
        {SettingField::Username, &shown.Username},
        {SettingField::Password, &shown.Password},
        {SettingField::Port, &shown.Port}};
    for (const auto& [field, value] : required) {
      if (value->empty()) {
        focus = field;
        break;
      }
    }
  }
  if (firstStart_ || !config_.trayAvailable) {
    view_.ShowWindow(focus);
  }
}

bool DesktopSession::ConfirmChanged(bool confirm, bool schedule) {
  if (confirm && schedule) {
    view_.ShowMessage({Message::Icon::Exclamation,
                       "You cannot enable the option, 'Schedule Sync' with the option, "
                       "'Confirm Changes'."});
    return false;
  }
  return true;
}

bool DesktopSession::ScheduleChanged(bool schedule, bool confirm, int listPosition) {
  if (schedule && confirm) {
    view_.ShowMessage({Message::Icon::Exclamation,
                       "You cannot enable the option, 'Confirm Changes' with the option, "
                       "'Schedule Sync'."});
    return false;
  }
  if (schedule) {
    scheduler_.Start(listPosition);
  } else {
    scheduler_.Stop();
  }
  return true;
}

void DesktopSession::ScheduleIntervalChanged(bool schedule, int listPosition) {
  if (schedule) {
    scheduler_.Stop();
    scheduler_.Start(listPosition);
  }
}

void DesktopSession::StartWithWindowsChanged(bool on) {
  UpdateStartupEntry(on, kProgramName, ExecutablePath());
}

// A computer name that the shared list cannot carry is refused when the user saves, so that
// it is mended now rather than found in a failed run.
void DesktopSession::Save() {
  const std::string name = view_.SettingsShown(stored_).Name;
  if (const Result<> checked = CheckComputerName(name); !name.empty() && !checked) {
    view_.ShowMessage(
        {Message::Icon::Exclamation, "Unable to Save Settings: " + checked.error() + "."});
    return;
  }
  SaveQuietly();
}

void DesktopSession::SaveQuietly() {
  SyncSettings settings = view_.SettingsShown(stored_);
  if (!settings.Name.empty() && !CheckComputerName(settings.Name)) {
    settings.Name = LoadSettings(config_.settingsPath, {}).settings.Name;
  }
  static_cast<void>(SaveSettings(config_.settingsPath, settings));
  StartWithWindowsChanged(settings.StartWithWin == 1);
}

// Minimizing sends the program to the notification area.
bool DesktopSession::WindowStateChanged(bool minimized) {
  SaveQuietly();
  return minimized && config_.trayAvailable;
}

bool DesktopSession::CloseRequested() {
  if (runInProgress_ || (!exiting_ && config_.trayAvailable)) {
    return false;
  }
  SaveQuietly();
  return true;
}

// A run must never go on working on a closed window, so Exit is unavailable while one lasts.
void DesktopSession::Exit() {
  if (runInProgress_) {
    return;
  }
  exiting_ = true;
  view_.CloseWindow();
}

void DesktopSession::ViewLog() {
  const std::string log = ActivityLogPath(config_.settingsPath);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(log, ec)) {
    view_.ShowMessage({Message::Icon::Information, "No Activity Log available!"});
  } else {
    view_.Open(log);
  }
}

void DesktopSession::OpenHelp() {
  const std::string programFolder =
      std::filesystem::path(config_.settingsPath).parent_path().string();
  const std::string document = HelpDocumentPath(programFolder, ExecutablePath());
  if (!document.empty()) {
    view_.Open(document);
  }
}

void DesktopSession::OpenFavorite(const std::string& target) {
  if (!view_.Open(target)) {
    view_.Notify({"Unable to open " + PrintableText(target), true, false});
  }
}

bool DesktopSession::HasRestorePoint() const {
  return !ListRestorePoints(restoreFolder_).empty();
}

CommandStates DesktopSession::commands() const {
  return CommandsFor(runInProgress_, HasRestorePoint());
}

void DesktopSession::ShowCommands() {
  view_.ShowCommands(commands());
}

void DesktopSession::TrayLeftClick() {
  if (view_.WindowVisible()) {
    view_.HideWindow();
  } else {
    view_.ShowWindow();
  }
}

std::vector<TrayMenuEntry> DesktopSession::TrayMenuOpening() {
  const bool visible = view_.WindowVisible();
  showHideCaption_ = ShowHideCaption(visible);
  return TrayMenuEntries(visible, commands());
}

void DesktopSession::ShowHideChosen() {
  if (showHideCaption_ == ShowHideCaption(false)) {
    view_.ShowWindow();
  } else if (showHideCaption_ == ShowHideCaption(true)) {
    view_.HideWindow();
  }
}

void DesktopSession::Tick() {
  SchedulerTick();
  FavoritesWatchTick();
}

// A tick can arrive while a message box of the start-up is open; nothing runs before
// start-up has finished.
void DesktopSession::SchedulerTick() {
  if (starting_ || !scheduler_.CountTick()) {
    return;
  }
  scheduler_.Stop();
  RunSync();
  scheduler_.Start(view_.SettingsShown(stored_).ScheduleInt);
}

}  // namespace kestrin::desktop
