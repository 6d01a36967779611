// The settings live in frmMain's controls: loading them, saving them, and the handlers
// that keep the controls consistent with each other.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include <QPushButton>

#include "desktop/settings_rules.h"
#include "ui/control_colors.h"
#include "ui/main_window.h"

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

SyncSettings MainWindow::SettingsShown(const SyncSettings& stored) const {
  SyncSettings s = stored;
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
void MainWindow::ShowSettings(const SyncSettings& s) {
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
}

void MainWindow::ConnectSettingsHandlers() {
  connect(c_.chkConfirm, &QCheckBox::toggled, this, &MainWindow::chkConfirm_Click);
  connect(c_.chkEncrypt, &QCheckBox::toggled, this, &MainWindow::ShowEncryptionMode);
  connect(c_.txtPassphrase, &QLineEdit::textChanged, this, &MainWindow::ShowEncryptionMode);
  connect(c_.chkSchedule, &QCheckBox::toggled, this, &MainWindow::chkSchedule_Click);
  connect(c_.cmbSchedule, &QComboBox::currentIndexChanged, this, [this](int position) {
    session_.ScheduleIntervalChanged(c_.chkSchedule->isChecked(), position);
  });
  connect(c_.cmbProtocol, &QComboBox::currentIndexChanged, this, &MainWindow::cmbProtocol_Click);
  connect(c_.chkLogAct, &QCheckBox::toggled, this, &MainWindow::chkLogAct_Click);
  connect(c_.chkStartWithWin, &QCheckBox::toggled, this,
          [this](bool on) { session_.StartWithWindowsChanged(on); });
  connect(c_.sldLogAct, &QSlider::valueChanged, this, &MainWindow::sldLogAct_Change);
  connect(c_.cmdSaveSettings, &QPushButton::clicked, this, [this] { session_.Save(); });
}

void MainWindow::ShowEncryptionMode() {
  c_.lblEncryptMode->setText(QString::fromStdString(desktop::EncryptionModeText(
      c_.chkEncrypt->isChecked(), !c_.txtPassphrase->text().isEmpty())));
}

void MainWindow::chkConfirm_Click() {
  if (!session_.ConfirmChanged(c_.chkConfirm->isChecked(), c_.chkSchedule->isChecked())) {
    c_.chkConfirm->setChecked(false);
  }
}

void MainWindow::chkSchedule_Click() {
  if (!session_.ScheduleChanged(c_.chkSchedule->isChecked(), c_.chkConfirm->isChecked(),
                                c_.cmbSchedule->currentIndex())) {
    c_.chkSchedule->setChecked(false);  // runs this handler again, which stops the scheduler
    return;
  }
  const bool on = c_.chkSchedule->isChecked();
  c_.lblSchedule->setEnabled(on);
  c_.cmbSchedule->setEnabled(on);
  SetFieldBackground(c_.cmbSchedule, on ? FieldBackground::Window : FieldBackground::ButtonFace);
}

void MainWindow::cmbProtocol_Click() {
  const auto chosen = static_cast<Protocol>(c_.cmbProtocol->currentIndex());
  if (const auto port = desktop::PortAfterProtocolChange(Text(c_.txtPort), chosen)) {
    SetText(c_.txtPort, *port);
  }
  c_.lblProtocolWarning->setText(QString::fromStdString(desktop::ProtocolWarning(chosen)));
  c_.chkPassive->setEnabled(desktop::PassiveModeApplies(chosen));
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
