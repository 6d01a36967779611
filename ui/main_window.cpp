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
#include <array>

#include "desktop/scheduler.h"
#include "platform/program_folder.h"
#include "qt_locale/locale_date_format.h"
#include "ui/about_dialog.h"
#include "ui/control_colors.h"
#include "ui/dpi_scale.h"
#include "ui/show_requests.h"
#include "ui/status_icons.h"

namespace kestrin::ui {

namespace {
desktop::DesktopConfig SessionConfig(const MainWindowConfig& config) {
  return {.settingsPath = config.settingsPath,
          .favoritesRoot = config.favoritesRoot,
          .trayAvailable = config.trayAvailable,
          .dateFormat = LocaleGeneralDateFormat(),
          .decimalSeparator = LocaleDecimalSeparator()};
}
}  // namespace

MainWindow::MainWindow(MainWindowConfig config)
    : config_(std::move(config)),
      c_(BuildMainWindowControls(*this, DpiScale::For(*this))),
      session_(SessionConfig(config_), *this),
      tray_(*c_.mnuTRAY, this),
      favorites_(new FavoritesMenu(config_.favoritesRoot, *c_.mnuTRAY)) {
  setObjectName("frmMain");
  clock_.setObjectName("Timer1");
  ConnectHandlers();
  Form_Load();
  if (!config_.showRequestChannel.isEmpty()) {
    auto* requests = new ShowRequests(config_.showRequestChannel, this);
    connect(requests, &ShowRequests::showRequested, this, [this] { ShowWindow(); });
  }
}

void MainWindow::Form_Load() {
  if (config_.trayAvailable) {
    // No close button: the window is hidden by minimizing or Hide, the program ends by Exit.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
  }
  c_.mnuFile_Hide->setVisible(config_.trayAvailable);
  setWindowTitle(QString::fromUtf8(kApplicationTitle));
  setWindowIcon(ApplicationIcon());
  for (const char* entry : desktop::kScheduleEntries) {
    c_.cmbSchedule->addItem(entry);
  }
  c_.cmbSchedule->setCurrentIndex(-1);
  session_.StartUp();
  tray_.Add();
  clock_.start(config_.tickPeriod);
}

void MainWindow::LockStartupOptions() {
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
  ConnectSettingsHandlers();
  for (QAction* sync : {c_.mnuFile_Sync, c_.mnuTRAY_Sync}) {
    connect(sync, &QAction::triggered, this, [this] { session_.SyncNow(); });
  }
  connect(c_.cmdSync, &QPushButton::clicked, this, [this] { session_.SyncNow(); });
  for (QAction* undo : {c_.mnuFile_Undo, c_.mnuTRAY_Undo}) {
    connect(undo, &QAction::triggered, this, [this] { session_.UndoLastSync(); });
  }
  connect(&tray_, &TrayIcon::undoRequested, this, [this] { session_.UndoLastSync(); });
  connect(c_.mnuFile_Import, &QAction::triggered, this,
          [this] { session_.ImportBookmarksChosen(); });
  connect(c_.mnuFile_Export, &QAction::triggered, this,
          [this] { session_.ExportBookmarksChosen(); });
  connect(c_.mnuFile_Bridge, &QAction::triggered, this,
          [this] { session_.ConnectBrowsers(HomeFolder()); });
  connect(c_.mnuFile_Hide, &QAction::triggered, this, &QWidget::hide);
  for (QAction* viewLog : {c_.mnuFile_ViewLog, c_.mnuTRAY_ViewLog}) {
    connect(viewLog, &QAction::triggered, this, [this] { session_.ViewLog(); });
  }
  for (QAction* help : {c_.mnuHelp_Help, c_.mnuTRAY_Help}) {
    connect(help, &QAction::triggered, this, [this] { session_.OpenHelp(); });
  }
  for (QAction* about : {c_.mnuHelp_About, c_.mnuTRAY_About}) {
    connect(about, &QAction::triggered, this, &MainWindow::ShowAbout);
  }
  for (QAction* exit : {c_.mnuFile_Exit, c_.mnuTRAY_Exit}) {
    connect(exit, &QAction::triggered, this, [this] { session_.Exit(); });
  }
  connect(c_.mnuTRAY_Show, &QAction::triggered, this, [this] { session_.ShowHideChosen(); });
  connect(c_.mnuTRAY, &QMenu::aboutToShow, this, &MainWindow::TrayMenuOpening);
  connect(&tray_, &TrayIcon::leftClicked, this, [this] { session_.TrayLeftClick(); });
  connect(favorites_, &FavoritesMenu::chosen, this,
          [this](const std::string& target) { session_.OpenFavorite(target); });
  connect(&clock_, &QTimer::timeout, this, [this] { session_.Tick(); });
}

// The Show/Hide entry names what it will do with the window as the menu opens.
void MainWindow::TrayMenuOpening() {
  for (const desktop::TrayMenuEntry& entry : session_.TrayMenuOpening()) {
    if (entry.command == desktop::TrayCommand::ShowHide) {
      c_.mnuTRAY_Show->setText(QString::fromStdString(entry.caption));
    }
  }
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

// A minimized window goes to the notification area and comes back normal.
void MainWindow::Form_Resize() {
  if (session_.WindowStateChanged(isMinimized())) {
    hide();
    setWindowState(windowState() & ~Qt::WindowMinimized);
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!session_.CloseRequested()) {
    event->ignore();
    return;
  }
  tray_.Remove();
  event->accept();
  emit exited();
}

void MainWindow::ShowWindow(std::optional<desktop::SettingField> focus) {
  if (focus) {
    // In the order of desktop::SettingField.
    const std::array fields = {c_.txtName, c_.txtServer, c_.txtUsername, c_.txtPassword,
                               c_.txtPort};
    QLineEdit* field = fields[static_cast<std::size_t>(*focus)];
    c_.TabStrip1->setCurrentWidget(field == c_.txtName ? c_.fraMain[0] : c_.fraMain[1]);
    field->setFocus();
  }
  showNormal();
  raise();
  activateWindow();
}

void MainWindow::ShowAbout() {
  auto* about = new AboutDialog(this);
  about->show();
}

}  // namespace kestrin::ui
