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
  const auto text = [this](int id) { return WindowText(Control(id)); };
  const auto check = [this](int id) { return Checked(id) ? 1 : 0; };
  s.Name = text(txtName);
  s.Server = text(txtServer);
  s.Username = text(txtUsername);
  s.Password = text(txtPassword);
  s.Protocol = Selected(Control(cmbProtocol));
  s.Port = text(txtPort);
  s.Passive = check(chkPassive);
  s.RemoteDir = text(txtRemDir);
  s.StartWithWin = check(chkStartWithWin);
  s.SyncOnStartup = check(chkSyncOnStartup);
  s.SyncOnChange = check(chkSyncOnChange);
  s.Schedule = check(chkSchedule);
  s.ScheduleInt = Selected(Control(cmbSchedule));
  s.UseEncryption = check(chkEncrypt);
  s.Passphrase = text(txtPassphrase);
  s.ConfirmChanges = check(chkConfirm);
  s.LogActivity = check(chkLogAct);
  s.LogPurge = int(SendMessageW(Control(sldLogAct), TBM_GETPOS, 0, 0));
  return s;
}

// Each value goes into its control in the file's order, and the handlers run as for the
// user: a file with both Schedule and ConfirmChanges set shows the interlock message once.
void MainWindow::ShowSettings(const SyncSettings& s) {
  const auto setText = [this](int id, const std::string& value) {
    win32::SetWindowText(Control(id), value);
  };
  const auto select = [this](int id, int position) {
    if (Selected(Control(id)) != position) {
      SendMessageW(Control(id), CB_SETCURSEL, WPARAM(position), 0);
      OnSettingChanged(id);
    }
  };
  setText(txtName, s.Name);
  setText(txtServer, s.Server);
  setText(txtUsername, s.Username);
  setText(txtPassword, s.Password);
  select(cmbProtocol, s.Protocol);
  setText(txtPort, s.Port);
  SetChecked(chkPassive, s.Passive == 1);
  setText(txtRemDir, s.RemoteDir);
  SetChecked(chkStartWithWin, s.StartWithWin == 1);
  SetChecked(chkSyncOnStartup, s.SyncOnStartup == 1);
  SetChecked(chkSyncOnChange, s.SyncOnChange == 1);
  SetChecked(chkSchedule, s.Schedule == 1);
  select(cmbSchedule, s.ScheduleInt);
  SetChecked(chkEncrypt, s.UseEncryption == 1);
  setText(txtPassphrase, s.Passphrase);
  SetChecked(chkConfirm, s.ConfirmChanges == 1);
  SetChecked(chkLogAct, s.LogActivity == 1);
  SendMessageW(Control(sldLogAct), TBM_SETPOS, TRUE, s.LogPurge);
  sldLogAct_Change();
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
