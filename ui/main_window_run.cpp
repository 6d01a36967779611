// frmMain's part in a synchronization run: the run display, the confirmation dialog and
// the waits that keep the window system running.
#include <QAction>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

#include "ui/confirm_changes.h"
#include "ui/main_window.h"

namespace kestrin::ui {

namespace {
constexpr int kActivityPage = 2;
}  // namespace

void MainWindow::ClearActivity() {
  c_.txtActivity->clear();
}

void MainWindow::AppendActivity(const std::string& line) {
  c_.txtActivity->appendPlainText(QString::fromStdString(line));
  QScrollBar* scroll = c_.txtActivity->verticalScrollBar();
  scroll->setValue(scroll->maximum());
  repaintActivity_(*c_.txtActivity);
}

void MainWindow::ShowStatus(const std::string& text) {
  c_.statusPanel->setText(QString::fromStdString(text));
  repaintStatus_(*c_.statusPanel);
}

void MainWindow::ShowTrayState(StatusImage image, const std::string& tooltip) {
  tray_.SetState(image, QString::fromStdString(tooltip));
}

void MainWindow::ShowRunState(bool running) {
  if (running) {
    c_.TabStrip1->setCurrentIndex(kActivityPage);
  } else if (isVisible()) {
    activateWindow();
  }
}

void MainWindow::ShowCommands(const desktop::CommandStates& commands) {
  c_.cmdSync->setEnabled(commands.sync);
  c_.mnuFile_Sync->setEnabled(commands.sync);
  c_.mnuFile_Import->setEnabled(commands.importBookmarks);
  c_.mnuFile_Exit->setEnabled(commands.exit);
  for (QAction* item : c_.mnuTRAY->actions()) {
    item->setEnabled(commands.trayMenu);
  }
  c_.mnuFile_Undo->setEnabled(commands.undo);
  c_.mnuTRAY_Undo->setEnabled(commands.undo);
  c_.fraMain[0]->setEnabled(commands.settingsPages);
  c_.fraMain[1]->setEnabled(commands.settingsPages);
}

void MainWindow::FavoritesChanged() {
  favorites_->MarkAllStale();
}

std::optional<std::vector<ChangeRow>> MainWindow::ConfirmChanges(const ChangeList& changes) {
  return ConfirmWithDialog(this, config_.tickPeriod, changes);
}

void MainWindow::Yield() {
  QCoreApplication::processEvents();
}

void MainWindow::Idle(std::chrono::milliseconds duration) {
  QEventLoop wait;
  QTimer::singleShot(duration, &wait, &QEventLoop::quit);
  wait.exec();
}

}  // namespace kestrin::ui
