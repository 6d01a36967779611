// frmMain's part in a synchronization run: the triggers, the scheduler's tick and the run
// display.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

#include "sync/apply_changes.h"
#include "sync/sync_run.h"
#include "ui/desktop_environment.h"
#include "ui/main_window.h"
#include "ui/plain_text.h"

namespace kestrin::ui {

namespace {
constexpr int kActivityPage = 2;
}  // namespace

void MainWindow::Timer1_Timer() {
  // A tick can arrive while a message box of the start-up is open; nothing runs before
  // start-up has finished.
  if (loading_ || !scheduler_.CountTick()) {
    return;
  }
  scheduler_.Stop();
  RunSyncFromControls();
  scheduler_.Start(c_.cmbSchedule->currentIndex());
}

// A run once the Favorites folder has been quiet for a while after a change (the user's, the
// browser bridge's or another program's), so that a burst of changes makes one run.
void MainWindow::FavoritesWatch_Timer() {
  if (loading_ || runInProgress_ || !c_.chkSyncOnChange->isChecked()) {
    return;
  }
  if (favoritesQuiet_.Tick(FavoritesFingerprint(config_.favoritesRoot))) {
    SyncNow();
  }
}

void MainWindow::SyncNow() {
  const bool scheduled = c_.chkSchedule->isChecked();
  if (scheduled) {
    scheduler_.Stop();
  }
  RunSyncFromControls();
  if (scheduled) {
    scheduler_.Start(c_.cmbSchedule->currentIndex());
  }
}

// One run at a time: the commands are disabled during a run, and this guards the paths
// that could still reach it while the run yields to the window system.
void MainWindow::RunSyncFromControls() {
  if (runInProgress_) {
    return;
  }
  runInProgress_ = true;
  c_.mnuFile_Exit->setEnabled(false);
  SyncEnvironment env = DesktopEnvironment(*this, config_.settingsPath, config_.favoritesRoot, this,
                                           config_.tickPeriod);
  env.keepOnFirstJoin = [this](std::size_t localShortcuts) {
    return KeepOnFirstJoin(localShortcuts);
  };
  env.reportChanges = [this](const RunSummary& summary) { ReportChanges(summary); };
  env.trustNewServer = [this](const std::string& server, const std::string& fingerprint) {
    return TrustNewServer(server, fingerprint);
  };
  favoritesChanges_ = 0;
  reportedChanges_.reset();
  const bool succeeded = RunSync(SettingsFromControls(), env);
  c_.mnuFile_Exit->setEnabled(true);
  runInProgress_ = false;
  if (c_.chkSyncOnChange->isChecked()) {
    // What the run itself changed is no change to sync again.
    favoritesQuiet_.Rebase(FavoritesFingerprint(config_.favoritesRoot));
  }
  favorites_->MarkAllStale();
  NotifyRunEnd(succeeded);
}

// A run that changed nothing passes in silence; one that changed favorites offers to undo it.
void MainWindow::NotifyRunEnd(bool succeeded) {
  if (!succeeded) {
    tray_.Notify(c_.statusPanel->text(), true);
  } else if (reportedChanges_) {
    tray_.NotifyUndoable(QString::fromStdString(SummaryText(*reportedChanges_)));
  } else if (favoritesChanges_ > 0) {
    tray_.Notify(tr("%n change(s) made to your Favorites.", nullptr, favoritesChanges_), false);
  }
}

void MainWindow::ClearActivityPane() {
  c_.txtActivity->clear();
}

void MainWindow::AppendActivityLine(const std::string& text) {
  if (IsFavoritesChangeLine(text)) {
    ++favoritesChanges_;
  }
  c_.txtActivity->appendPlainText(Shown(text));
  QScrollBar* scroll = c_.txtActivity->verticalScrollBar();
  scroll->setValue(scroll->maximum());
  repaintActivity_(*c_.txtActivity);
}

void MainWindow::SetStatusText(const std::string& text) {
  statusText_ = Shown(text);
  if (!progressShown_) {
    c_.statusPanel->setText(statusText_);
    repaintStatus_(*c_.statusPanel);
  }
}

void MainWindow::ShowProgress(const std::string& text) {
  progressShown_ = !text.empty();
  c_.statusPanel->setText(progressShown_ ? Shown(text) : statusText_);
  repaintStatus_(*c_.statusPanel);
}

void MainWindow::SetTrayState(StatusImage image, const std::string& tooltip) {
  tray_.SetState(image, Shown(tooltip));
}

void MainWindow::ShowRunState(bool running) {
  if (running) {
    c_.TabStrip1->setCurrentIndex(kActivityPage);
  }
  c_.cmdSync->setEnabled(!running);
  c_.mnuFile_Sync->setEnabled(!running);
  c_.mnuFile_Import->setEnabled(!running);
  for (QAction* item : c_.mnuTRAY->actions()) {
    item->setEnabled(!running);
  }
  EnableUndo(running);
  c_.fraMain[0]->setEnabled(!running);
  c_.fraMain[1]->setEnabled(!running);
  if (!running && isVisible()) {
    activateWindow();
  }
}

}  // namespace kestrin::ui
