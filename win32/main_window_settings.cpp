// The settings live in frmMain's controls: putting them in, reading them out, and the
// controls' handlers, which draw what follows and hand the decisions to the session.
#include "win32/windows_api.h"

#include <string>

#include "desktop/scheduler.h"
#include "desktop/settings_rules.h"
#include "platform/wide_text.h"
#include "win32/control_ids.h"
#include "win32/main_window.h"
#include "win32/window_text.h"

namespace kestrin::win32 {

namespace {

// In the order of the "Protocol" setting's numbers.
constexpr const wchar_t* kProtocols[] = {L"FTP", L"FTP over TLS (FTPS)", L"SFTP (SSH)",
                                         L"WebDAV over HTTPS", L"WebDAV over HTTP"};
constexpr int kPurgeMinimum = 10;
constexpr int kPurgeMaximum = 1000;
constexpr int kPurgeLargeStep = 10;

// Each setting's control, in the settings file's order.
struct SettingControl {
  enum Kind { Text, Check, List, Slider };
  int id;
  Kind kind;
  std::string SyncSettings::*text = nullptr;  // of a Text
  int SyncSettings::*number = nullptr;        // of the others
};
const SettingControl kSettingControls[] = {
    {txtName, SettingControl::Text, &SyncSettings::Name},
    {txtServer, SettingControl::Text, &SyncSettings::Server},
    {txtUsername, SettingControl::Text, &SyncSettings::Username},
    {txtPassword, SettingControl::Text, &SyncSettings::Password},
    {cmbProtocol, SettingControl::List, nullptr, &SyncSettings::Protocol},
    {txtPort, SettingControl::Text, &SyncSettings::Port},
    {chkPassive, SettingControl::Check, nullptr, &SyncSettings::Passive},
    {txtRemDir, SettingControl::Text, &SyncSettings::RemoteDir},
    {chkStartWithWin, SettingControl::Check, nullptr, &SyncSettings::StartWithWin},
    {chkSyncOnStartup, SettingControl::Check, nullptr, &SyncSettings::SyncOnStartup},
    {chkSyncOnChange, SettingControl::Check, nullptr, &SyncSettings::SyncOnChange},
    {chkSchedule, SettingControl::Check, nullptr, &SyncSettings::Schedule},
    {cmbSchedule, SettingControl::List, nullptr, &SyncSettings::ScheduleInt},
    {chkEncrypt, SettingControl::Check, nullptr, &SyncSettings::UseEncryption},
    {txtPassphrase, SettingControl::Text, &SyncSettings::Passphrase},
    {chkConfirm, SettingControl::Check, nullptr, &SyncSettings::ConfirmChanges},
    {chkLogAct, SettingControl::Check, nullptr, &SyncSettings::LogActivity},
    {sldLogAct, SettingControl::Slider, nullptr, &SyncSettings::LogPurge},
};

int Selected(HWND list) {
  return int(SendMessageW(list, CB_GETCURSEL, 0, 0));
}

}  // namespace

void MainWindow::PrepareSettingControls() {
  for (const char* entry : desktop::kScheduleEntries) {
    SendMessageW(Control(cmbSchedule), CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(WideFromUtf8(entry).c_str()));
  }
  for (const wchar_t* protocol : kProtocols) {
    SendMessageW(Control(cmbProtocol), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(protocol));
  }
  SendMessageW(Control(sldLogAct), TBM_SETRANGE, FALSE, MAKELPARAM(kPurgeMinimum, kPurgeMaximum));
  SendMessageW(Control(sldLogAct), TBM_SETLINESIZE, 0, 1);
  SendMessageW(Control(sldLogAct), TBM_SETPAGESIZE, 0, kPurgeLargeStep);
  for (int id : {lblSchedule, cmbSchedule, lblLogAct, sldLogAct, txtLogAct, lblLogActKb}) {
    EnableWindow(Control(id), FALSE);
  }
}

bool MainWindow::Checked(int id) const {
  return Button_GetCheck(Control(id)) == BST_CHECKED;
}

void MainWindow::SetChecked(int id, bool checked) {
  if (Checked(id) != checked) {
    Button_SetCheck(Control(id), checked ? BST_CHECKED : BST_UNCHECKED);
    OnSettingChanged(id);
  }
}

SyncSettings MainWindow::SettingsShown(const SyncSettings& stored) const {
  SyncSettings s = stored;
  for (const SettingControl& field : kSettingControls) {
    HWND control = Control(field.id);
    switch (field.kind) {
      case SettingControl::Text:
        s.*field.text = WindowText(control);
        break;
      case SettingControl::Check:
        s.*field.number = Checked(field.id) ? 1 : 0;
        break;
      case SettingControl::List:
        s.*field.number = Selected(control);
        break;
      case SettingControl::Slider:
        s.*field.number = int(SendMessageW(control, TBM_GETPOS, 0, 0));
        break;
    }
  }
  return s;
}

// Each value goes into its control in the file's order, and the handlers run as for the
// user: a file with both Schedule and ConfirmChanges set shows the interlock message once.
void MainWindow::ShowSettings(const SyncSettings& s) {
  for (const SettingControl& field : kSettingControls) {
    HWND control = Control(field.id);
    switch (field.kind) {
      case SettingControl::Text:
        win32::SetWindowText(control, s.*field.text);
        break;
      case SettingControl::Check:
        SetChecked(field.id, s.*field.number == 1);
        break;
      case SettingControl::List:
        if (Selected(control) != s.*field.number) {
          SendMessageW(control, CB_SETCURSEL, WPARAM(s.*field.number), 0);
          OnSettingChanged(field.id);
        }
        break;
      case SettingControl::Slider:
        SendMessageW(control, TBM_SETPOS, TRUE, s.*field.number);
        sldLogAct_Change();
        break;
    }
  }
}

void MainWindow::LockStartupOptions() {
  SetChecked(chkSyncOnStartup, false);
  SetChecked(chkSchedule, false);
  for (int id : {lblSyncStartupFlag, chkSyncOnStartup, lblScheduleSyncFlag, chkSchedule,
                 lblSchedule, cmbSchedule}) {
    EnableWindow(Control(id), FALSE);
  }
}

void MainWindow::OnSettingChanged(int id) {
  switch (id) {
    case chkConfirm:
      chkConfirm_Click();
      break;
    case chkSchedule:
      chkSchedule_Click();
      break;
    case cmbSchedule:
      session_->ScheduleIntervalChanged(Checked(chkSchedule), Selected(Control(cmbSchedule)));
      break;
    case chkStartWithWin:
      session_->StartWithWindowsChanged(Checked(chkStartWithWin));
      break;
    case chkLogAct:
      chkLogAct_Click();
      break;
    case cmbProtocol:
      cmbProtocol_Click();
      break;
    case chkEncrypt:
    case txtPassphrase:
      ShowEncryptionMode();
      break;
  }
}

void MainWindow::chkConfirm_Click() {
  if (!session_->ConfirmChanged(Checked(chkConfirm), Checked(chkSchedule))) {
    SetChecked(chkConfirm, false);
  }
}

void MainWindow::chkSchedule_Click() {
  const bool on = Checked(chkSchedule);
  if (!session_->ScheduleChanged(on, Checked(chkConfirm), Selected(Control(cmbSchedule)))) {
    SetChecked(chkSchedule, false);  // runs this handler again, which stops the scheduler
    return;
  }
  EnableWindow(Control(lblSchedule), on);
  EnableWindow(Control(cmbSchedule), on);
}

void MainWindow::chkLogAct_Click() {
  const bool on = Checked(chkLogAct);
  for (int id : {lblLogAct, sldLogAct, txtLogAct, lblLogActKb}) {
    EnableWindow(Control(id), on);
  }
}

void MainWindow::sldLogAct_Change() {
  const auto value = SendMessageW(Control(sldLogAct), TBM_GETPOS, 0, 0);
  win32::SetWindowText(Control(txtLogAct), std::to_string(value));
}

void MainWindow::cmbProtocol_Click() {
  const auto chosen = static_cast<Protocol>(Selected(Control(cmbProtocol)));
  if (const auto port = desktop::PortAfterProtocolChange(WindowText(Control(txtPort)), chosen)) {
    win32::SetWindowText(Control(txtPort), *port);
  }
  win32::SetWindowText(Control(lblProtocolWarning), desktop::ProtocolWarning(chosen));
  EnableWindow(Control(chkPassive), desktop::PassiveModeApplies(chosen));
}

void MainWindow::ShowEncryptionMode() {
  win32::SetWindowText(Control(lblEncryptMode),
                       desktop::EncryptionModeText(
                           Checked(chkEncrypt), GetWindowTextLengthW(Control(txtPassphrase)) > 0));
}

}  // namespace kestrin::win32
