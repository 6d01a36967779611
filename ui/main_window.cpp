#include "ui/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>
#include <filesystem>

#include "formats/ini_file.h"
#include "platform/program_folder.h"
#include "settings/program_files.h"
#include "sync/activity.h"
#include "sync/restore_point.h"
#include "ui/about_dialog.h"
#include "ui/control_colors.h"
#include "ui/dpi_scale.h"
#include "ui/help_document.h"
#include "ui/message_box.h"
#include "ui/show_requests.h"
#include "ui/status_icons.h"

namespace kestrin::ui {

namespace {
constexpr const char* kScheduleEntries[] = {"15 Min", "30 Min", "45 Min", "1 Hrs",
                                            "3 Hrs",  "6 Hrs",  "12 Hrs", "24 Hrs"};
}  // namespace

MainWindow::MainWindow(MainWindowConfig config)
    : config_(std::move(config)),
      restoreFolder_(RestoreFolderOf(ProgramFilesFor(config_.settingsPath).workFolder)),
      c_(BuildMainWindowControls(*this, DpiScale::For(*this))),
      scheduler_(config_.tickPeriod, this),
      favoritesQuiet_(kFavoritesQuietTicks),
      tray_(*c_.mnuTRAY, this),
      favorites_(new FavoritesMenu(config_.favoritesRoot, config_.openDocument, *c_.mnuTRAY)) {
  setObjectName("frmMain");
  ConnectHandlers();
  Form_Load();
  if (!config_.showRequestChannel.isEmpty()) {
    auto* requests = new ShowRequests(config_.showRequestChannel, this);
    connect(requests, &ShowRequests::showRequested, this, &MainWindow::ShowWithFocus);
  }
}

void MainWindow::ShowAtStart() {
  if (firstStart_) {
    for (QLineEdit* required :
         {c_.txtName, c_.txtServer, c_.txtUsername, c_.txtPassword, c_.txtPort}) {
      if (required->text().isEmpty()) {
        c_.TabStrip1->setCurrentWidget(required == c_.txtName ? c_.fraMain[0] : c_.fraMain[1]);
        required->setFocus();
        break;
      }
    }
  }
  if (firstStart_ || !config_.trayAvailable) {
    ShowWithFocus();
  }
}

void MainWindow::Form_Load() {
  if (config_.trayAvailable) {
    // No close button: the window is hidden by minimizing or Hide, the program ends by Exit.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
  }
  c_.mnuFile_Hide->setVisible(config_.trayAvailable);
  std::error_code ec;
  firstStart_ = !std::filesystem::exists(config_.settingsPath, ec);
  const QString title = QString::fromUtf8(kApplicationTitle);
  setWindowTitle(title);
  const QString lastSync =
      QString::fromStdString(ReadIniString(config_.settingsPath, kSettingsSection, kLastSyncKey));
  setWindowIcon(ApplicationIcon());
  const QString readyText = title + " (Last Sync: " + lastSync + ")";
  tray_.Add(StatusImage::Ready, readyText);
  c_.statusPanel->setText(readyText);
  for (const char* entry : kScheduleEntries) {
    c_.cmbSchedule->addItem(entry);
  }
  c_.cmbSchedule->setCurrentIndex(-1);
  LoadSettingsIntoControls();
  DisableStartupOptions();
  EnableUndo(false);
  loading_ = false;
}

// Nothing synchronizes by itself at start-up: both options are cleared and put out of reach.
void MainWindow::DisableStartupOptions() {
  c_.chkSyncOnStartup->setChecked(false);
  c_.lblSyncStartupFlag->setEnabled(false);
  c_.chkSyncOnStartup->setEnabled(false);
  c_.chkSchedule->setChecked(false);
  c_.lblScheduleSyncFlag->setEnabled(false);
  c_.chkSchedule->setEnabled(false);
  c_.cmbSchedule->setEnabled(false);
  SetFieldBackground(c_.cmbSchedule, FieldBackground::ButtonFace);
}

void MainWindow::ConnectHandlers() {
  connect(c_.chkConfirm, &QCheckBox::toggled, this, &MainWindow::chkConfirm_Click);
  connect(c_.chkEncrypt, &QCheckBox::toggled, this, &MainWindow::ShowEncryptionMode);
  connect(c_.txtPassphrase, &QLineEdit::textChanged, this, &MainWindow::ShowEncryptionMode);
  connect(c_.chkSchedule, &QCheckBox::toggled, this, &MainWindow::chkSchedule_Click);
  connect(c_.cmbSchedule, &QComboBox::currentIndexChanged, this, &MainWindow::cmbSchedule_Click);
  connect(c_.cmbProtocol, &QComboBox::currentIndexChanged, this, &MainWindow::cmbProtocol_Click);
  connect(c_.chkLogAct, &QCheckBox::toggled, this, &MainWindow::chkLogAct_Click);
  connect(c_.chkStartWithWin, &QCheckBox::toggled, this, &MainWindow::chkStartWithWin_Click);
  connect(c_.sldLogAct, &QSlider::valueChanged, this, &MainWindow::sldLogAct_Change);
  connect(c_.cmdSaveSettings, &QPushButton::clicked, this, &MainWindow::cmdSaveSettings_Click);
  for (QAction* sync : {c_.mnuFile_Sync, c_.mnuTRAY_Sync}) {
    connect(sync, &QAction::triggered, this, &MainWindow::SyncNow);
  }
  connect(c_.cmdSync, &QPushButton::clicked, this, &MainWindow::SyncNow);
  for (QAction* undo : {c_.mnuFile_Undo, c_.mnuTRAY_Undo}) {
    connect(undo, &QAction::triggered, this, &MainWindow::UndoLastSync);
  }
  connect(&tray_, &TrayIcon::undoRequested, this, &MainWindow::UndoLastSync);
  connect(c_.mnuFile_Import, &QAction::triggered, this, &MainWindow::mnuFile_Import_Click);
  connect(c_.mnuFile_Export, &QAction::triggered, this, &MainWindow::mnuFile_Export_Click);
  connect(c_.mnuFile_Bridge, &QAction::triggered, this, [this] { ConnectBrowsers(HomeFolder()); });
  connect(c_.mnuFile_Hide, &QAction::triggered, this, &QWidget::hide);
  for (QAction* viewLog : {c_.mnuFile_ViewLog, c_.mnuTRAY_ViewLog}) {
    connect(viewLog, &QAction::triggered, this, &MainWindow::ViewLog);
  }
  for (QAction* help : {c_.mnuHelp_Help, c_.mnuTRAY_Help}) {
    connect(help, &QAction::triggered, this, &MainWindow::OpenHelp);
  }
  for (QAction* about : {c_.mnuHelp_About, c_.mnuTRAY_About}) {
    connect(about, &QAction::triggered, this, &MainWindow::ShowAbout);
  }
  for (QAction* exit : {c_.mnuFile_Exit, c_.mnuTRAY_Exit}) {
    connect(exit, &QAction::triggered, this, &MainWindow::Exit);
  }
  connect(c_.mnuTRAY_Show, &QAction::triggered, this, &MainWindow::mnuTRAY_Show_Click);
  connect(c_.mnuTRAY, &QMenu::aboutToShow, this,
          [this] { c_.mnuTRAY_Show->setText(isVisible() ? tr("Hide") : tr("Show")); });
  connect(&tray_, &TrayIcon::leftClicked, this, &MainWindow::TrayLeftClick);
  connect(favorites_, &FavoritesMenu::openFailed, this,
          [this](const QString& url) { tray_.Notify(tr("Unable to open %1").arg(url), true); });
  connect(&scheduler_, &Scheduler::ticked, this, &MainWindow::Timer1_Timer);
  connect(&favoritesWatch_, &QTimer::timeout, this, &MainWindow::FavoritesWatch_Timer);
  favoritesWatch_.start(config_.tickPeriod);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!centred_ && screen()) {
    centred_ = true;
    move(screen()->availableGeometry().center() - rect().center());
  }
  Form_Resize();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) {
    Form_Resize();
  }
}

// Minimizing sends the program to the notification area; the window comes back normal.
void MainWindow::Form_Resize() {
  SaveSettingsFromControls();
  if (isMinimized() && config_.trayAvailable) {
    hide();
    setWindowState(windowState() & ~Qt::WindowMinimized);
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (runInProgress_ || (!exiting_ && config_.trayAvailable)) {
    event->ignore();
    return;
  }
  SaveSettingsFromControls();
  tray_.Remove();
  event->accept();
  emit exited();
}

// A run must never go on working on a closed window, so Exit is unavailable while one lasts.
void MainWindow::Exit() {
  if (runInProgress_) {
    return;
  }
  exiting_ = true;
  close();
}

void MainWindow::ShowWithFocus() {
  showNormal();
  raise();
  activateWindow();
}

void MainWindow::TrayLeftClick() {
  if (isVisible()) {
    hide();
  } else {
    ShowWithFocus();
  }
}

void MainWindow::mnuTRAY_Show_Click() {
  const QString caption = c_.mnuTRAY_Show->text();
  if (caption == tr("Show")) {
    ShowWithFocus();
  } else if (caption == tr("Hide")) {
    hide();
  }
}

void MainWindow::ViewLog() {
  const std::string log = ActivityLogPath(config_.settingsPath);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(log, ec)) {
    ShowInformation(this, tr("No Activity Log available!"));
  } else if (config_.openDocument) {
    config_.openDocument(log);
  }
}

void MainWindow::OpenHelp() {
  const std::string programFolder =
      std::filesystem::path(config_.settingsPath).parent_path().string();
  const std::string document = HelpDocumentPath(programFolder, ExecutablePath());
  if (!document.empty() && config_.openDocument) {
    config_.openDocument(document);
  }
}

void MainWindow::ShowAbout() {
  auto* about = new AboutDialog(this);
  about->show();
}

}  // namespace kestrin::ui
