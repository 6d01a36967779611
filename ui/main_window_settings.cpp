// The settings live in frmMain's controls: loading them, saving them, and the handlers
// that keep the controls consistent with each other.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "favorites/data_file.h"
#include "ftp/ftp_client.h"
#include "platform/program_folder.h"
#include "settings/startup_entry.h"
#include "ui/control_colors.h"
#include "ui/main_window.h"
#include "ui/message_box.h"

namespace kestrin::ui {

namespace {

int CheckState(const QCheckBox* box) {
  return box->isChecked() ? 1 : 0;
}

std::string Text(const QLineEdit* box) {
  return box->text().toStdString();
}

void SetText(QLineEdit* box, const std::string& text) {
  box->setText(QString::fromStdString(text));
}

}  // namespace

SyncSettings MainWindow::SettingsFromControls() const {
  SyncSettings s = loaded_;
  s.Name = Text(c_.txtName);
  s.Server = Text(c_.txtServer);
  s.Username = Text(c_.txtUsername);
  s.Password = Text(c_.txtPassword);
  s.Protocol = c_.cmbProtocol->currentIndex();
  s.Port = Text(c_.txtPort);
  s.Passive = CheckState(c_.chkPassive);
  s.RemoteDir = Text(c_.txtRemDir);
  s.StartWithWin = CheckState(c_.chkStartWithWin);
  s.SyncOnStartup = CheckState(c_.chkSyncOnStartup);
  s.SyncOnChange = CheckState(c_.chkSyncOnChange);
  s.Schedule = CheckState(c_.chkSchedule);
  s.ScheduleInt = c_.cmbSchedule->currentIndex();
  s.UseEncryption = CheckState(c_.chkEncrypt);
  s.Passphrase = Text(c_.txtPassphrase);
  s.ConfirmChanges = CheckState(c_.chkConfirm);
  s.LogActivity = CheckState(c_.chkLogAct);
  s.LogPurge = c_.sldLogAct->value();
  return s;
}

// Each value goes into its control in the file's order, so the controls' handlers run as
// they would for the user: a file with both Schedule and ConfirmChanges set shows the
// interlock message once.
void MainWindow::LoadSettingsIntoControls() {
  const LoadedSettings loaded = LoadSettings(config_.settingsPath, SettingsFromControls());
  const SyncSettings& s = loaded.settings;
  SetText(c_.txtName, s.Name);
  SetText(c_.txtServer, s.Server);
  SetText(c_.txtUsername, s.Username);
  SetText(c_.txtPassword, s.Password);
  c_.cmbProtocol->setCurrentIndex(s.Protocol);
  SetText(c_.txtPort, s.Port);
  c_.chkPassive->setChecked(s.Passive == 1);
  SetText(c_.txtRemDir, s.RemoteDir);
  c_.chkStartWithWin->setChecked(s.StartWithWin == 1);
  c_.chkSyncOnStartup->setChecked(s.SyncOnStartup == 1);
  c_.chkSyncOnChange->setChecked(s.SyncOnChange == 1);
  c_.chkSchedule->setChecked(s.Schedule == 1);
  c_.cmbSchedule->setCurrentIndex(s.ScheduleInt);
  c_.chkEncrypt->setChecked(s.UseEncryption == 1);
  SetText(c_.txtPassphrase, s.Passphrase);
  c_.chkConfirm->setChecked(s.ConfirmChanges == 1);
  c_.chkLogAct->setChecked(s.LogActivity == 1);
  c_.sldLogAct->setValue(s.LogPurge);
  sldLogAct_Change();
  loaded_ = s;
  // Values that could not be taken are told where the user looks for what happened.
  for (const std::string& warning : loaded.warnings) {
    AppendActivityLine(warning);
  }
}

// A computer name that the shared list cannot carry is refused when the user saves, so that
// it is mended now rather than found in a failed run.
void MainWindow::cmdSaveSettings_Click() {
  const std::string name = Text(c_.txtName);
  if (const Result<> checked = CheckComputerName(name); !name.empty() && !checked) {
    ShowExclamation(
        this, tr("Unable to Save Settings: %1.").arg(QString::fromStdString(checked.error())));
    return;
  }
  SaveSettingsFromControls();
}

// Also at every resize and at Exit, without a word: there a name that cannot be carried
// leaves the stored one in place.
void MainWindow::SaveSettingsFromControls() {
  SyncSettings settings = SettingsFromControls();
  if (!settings.Name.empty() && !CheckComputerName(settings.Name)) {
    settings.Name = LoadSettings(config_.settingsPath, {}).settings.Name;
  }
  static_cast<void>(SaveSettings(config_.settingsPath, settings));
  chkStartWithWin_Click();
}

void MainWindow::chkStartWithWin_Click() {
  UpdateStartupEntry(c_.chkStartWithWin->isChecked(), kProgramName, ExecutablePath());
}

// Says plainly what "Use Encryption" does now: with a passphrase the shared list is sealed;
// without one its fields are only Radix-64, which anyone can read back.
void MainWindow::ShowEncryptionMode() {
  const bool encrypting = c_.chkEncrypt->isChecked();
  const bool sealing = !c_.txtPassphrase->text().isEmpty();
  c_.lblEncryptMode->setText(!encrypting ? QString()
                             : sealing   ? tr("(encrypted)")
                                         : tr("(encoded, not encrypted)"));
}

void MainWindow::chkConfirm_Click() {
  if (c_.chkConfirm->isChecked() && c_.chkSchedule->isChecked()) {
    ShowExclamation(this, tr("You cannot enable the option, 'Schedule Sync' with the option, "
                             "'Confirm Changes'."));
    c_.chkConfirm->setChecked(false);
  }
}

void MainWindow::chkSchedule_Click() {
  if (c_.chkSchedule->isChecked() && c_.chkConfirm->isChecked()) {
    ShowExclamation(this, tr("You cannot enable the option, 'Confirm Changes' with the option, "
                             "'Schedule Sync'."));
    c_.chkSchedule->setChecked(false);  // runs this handler again, which stops the scheduler
    return;
  }
  const bool on = c_.chkSchedule->isChecked();
  c_.lblSchedule->setEnabled(on);
  c_.cmbSchedule->setEnabled(on);
  SetFieldBackground(c_.cmbSchedule, on ? FieldBackground::Window : FieldBackground::ButtonFace);
  if (on) {
    scheduler_.Start(c_.cmbSchedule->currentIndex());
  } else {
    scheduler_.Stop();
  }
}

void MainWindow::cmbSchedule_Click() {
  if (c_.chkSchedule->isChecked()) {
    scheduler_.Stop();
    scheduler_.Start(c_.cmbSchedule->currentIndex());
  }
}

// The port follows the protocol while it is another protocol's usual one. Plain HTTP is
// said to carry the password in clear; HTTP has no data connection whose mode could be chosen.
void MainWindow::cmbProtocol_Click() {
  const auto chosen = static_cast<Protocol>(c_.cmbProtocol->currentIndex());
  for (int other = 0; other < c_.cmbProtocol->count(); ++other) {
    if (c_.txtPort->text() == QString::number(DefaultPort(static_cast<Protocol>(other)))) {
      c_.txtPort->setText(QString::number(DefaultPort(chosen)));
      break;
    }
  }
  c_.lblProtocolWarning->setText(
      chosen == Protocol::WebDavHttp ? tr("(the password travels in clear)") : QString());
  c_.chkPassive->setEnabled(!IsWebDav(chosen));
}

void MainWindow::chkLogAct_Click() {
  const bool on = c_.chkLogAct->isChecked();
  for (QWidget* purge :
       {static_cast<QWidget*>(c_.lblLogAct), static_cast<QWidget*>(c_.sldLogAct),
        static_cast<QWidget*>(c_.txtLogAct), static_cast<QWidget*>(c_.lblLogActKb)}) {
    purge->setEnabled(on);
  }
  SetFieldBackground(c_.txtLogAct, on ? FieldBackground::Window : FieldBackground::ButtonFace);
}

void MainWindow::sldLogAct_Change() {
  c_.txtLogAct->setText(QString::number(c_.sldLogAct->value()));
}

}  // namespace kestrin::ui
