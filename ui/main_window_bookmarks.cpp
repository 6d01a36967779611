// frmMain's file dialogs for bookmarks in and out; the session does the rest.
#include <QFileDialog>

#include "ui/main_window.h"

namespace kestrin::ui {

std::optional<std::string> MainWindow::AskBookmarkFile(desktop::BookmarkFileUse use,
                                                       const std::string& suggested) {
  const QString filter = tr("Bookmark files (*.html *.htm)");
  const QString path =
      use == desktop::BookmarkFileUse::Import
          ? QFileDialog::getOpenFileName(this, tr("Import Bookmarks"),
                                         QString::fromStdString(suggested), filter)
          : QFileDialog::getSaveFileName(this, tr("Export Bookmarks"),
                                         QString::fromStdString(suggested), filter);
  if (path.isEmpty()) {
    return std::nullopt;
  }
  return path.toStdString();
}

}  // namespace kestrin::ui
