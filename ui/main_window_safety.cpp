// frmMain's safety net: the first join's question, the notice of what a run changed, and
// Undo Last Sync, which puts back what the newest restore point holds.
#include <QAction>
#include <QStringList>

#include "formats/general_date.h"
#include "formats/printable_text.h"
#include "qt_locale/locale_date_format.h"
#include "sync/restore_favorites.h"
#include "sync/restore_point.h"
#include "ui/main_window.h"
#include "ui/message_box.h"

namespace kestrin::ui {

namespace {
QString Counted(std::size_t count, const QString& one, const QString& many) {
  return count == 1 ? one : many.arg(count);
}
}  // namespace

// Keeping loses nothing, so it is the default.
bool MainWindow::KeepOnFirstJoin(std::size_t localShortcuts) {
  const QString favorites =
      Counted(localShortcuts, tr("this computer's favorite"), tr("this computer's %1 favorites"));
  const QString question =
      tr("The shared list on the server holds the favorites of another computer.\n\n"
         "What should become of %1?")
          .arg(favorites);
  return AskQuestion(this, question,
                     {Counted(localShortcuts,
                              tr("Keep this computer's favorite and add it to the shared list"),
                              tr("Keep this computer's %1 favorites and add them to the shared "
                                 "list")),
                      tr("Replace them with the shared list")}) != 1;
}

// Trust is given, never assumed: not trusting is the default.
bool MainWindow::TrustNewServer(const std::string& server, const std::string& fingerprint) {
  const QString question =
      tr("The server %1 is new to this computer. Its key fingerprint is\n\n%2\n\n"
         "Trust it only if that is the fingerprint the server's owner gives. A server that "
         "shows another one later is refused.")
          .arg(QString::fromStdString(PrintableText(server)), QString::fromStdString(fingerprint));
  return AskQuestion(this, question, {tr("Do &Not Trust"), tr("&Trust This Server")}, 0) == 1;
}

void MainWindow::ReportChanges(const RunSummary& summary) {
  reportedChanges_ = summary;
}

void MainWindow::EnableUndo(bool running) {
  const bool available = !running && !ListRestorePoints(restoreFolder_).empty();
  c_.mnuFile_Undo->setEnabled(available);
  c_.mnuTRAY_Undo->setEnabled(available);
}

void MainWindow::UndoLastSync() {
  const std::vector<RestorePoint> points = ListRestorePoints(restoreFolder_);
  if (runInProgress_ || points.empty()) {
    return;
  }
  const RestorePoint& newest = points.back();
  std::size_t folders = 0;
  for (const SavedItem& item : newest.items) {
    folders += item.folder ? 1 : 0;
  }
  QString what = Counted(newest.items.size() - folders, tr("1 shortcut"), tr("%1 shortcuts"));
  if (folders > 0) {
    what = tr("%1 and %2").arg(what, Counted(folders, tr("1 folder"), tr("%1 folders")));
  }
  const QString when =
      QString::fromStdString(FormatGeneralDate(newest.made, LocaleGeneralDateFormat()));
  if (AskQuestion(this, tr("Put back %1 from before the sync of %2?").arg(what, when),
                  {tr("Put Back"), tr("Cancel")}, 1) != 0) {
    return;
  }
  const auto restored =
      RestoreFavorites(restoreFolder_, newest.id, config_.favoritesRoot, LocalNow());
  if (!restored) {
    AppendActivityLine(tr("Error: Unable to Restore Favorites").toStdString());
    AppendActivityLine(restored.error());
    SetStatusText(tr("Unable to Undo the Last Sync").toStdString());
  } else {
    for (const std::string& refused : restored->refused) {
      AppendActivityLine(
          tr("Error: Unable to Restore %1").arg(QString::fromStdString(refused)).toStdString());
    }
    const QString done = tr("Put back %1 from before the sync of %2.").arg(what, when);
    AppendActivityLine(done.toStdString());
    SetStatusText(restored->refused.empty()
                      ? done.toStdString()
                      : tr("Undo Last Sync: %1 could not be put back")
                            .arg(Counted(restored->refused.size(), tr("1 place"), tr("%1 places")))
                            .toStdString());
  }
  favorites_->MarkAllStale();
  EnableUndo(false);
}

}  // namespace kestrin::ui
