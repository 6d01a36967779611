// frmMain's bookmarks in and out: File → Import Bookmarks… takes a browser's bookmarks or
// a bookmark file into the Favorites folder, Export Bookmarks… writes them as a file, and
// Connect Browsers… sets up the browser bridge that keeps them one tree.
#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include <tuple>

#include "bookmarks/bridge_host.h"
#include "bookmarks/browser_profiles.h"
#include "bookmarks/favorites_tree.h"
#include "bookmarks/import_bookmarks.h"
#include "bookmarks/netscape_html.h"
#include "platform/atomic_file.h"
#include "platform/program_folder.h"
#include "ui/main_window.h"
#include "ui/message_box.h"

namespace kestrin::ui {

namespace {

QString BookmarkFileFilter() {
  return MainWindow::tr("Bookmark files (*.html *.htm)");
}

}  // namespace

void MainWindow::mnuFile_Import_Click() {
  if (session_.runInProgress()) {
    return;
  }
  const std::vector<FoundBrowser> browsers = FindBrowsers(HomeFolder());
  QStringList answers;
  for (const FoundBrowser& found : browsers) {
    answers << tr("From %1").arg(QString::fromStdString(found.name));
  }
  answers << tr("From a Bookmark File…") << tr("Cancel");
  const int answer = browsers.empty()
                         ? 0
                         : AskQuestion(this, tr("Import which bookmarks into the Favorites?"),
                                       answers, static_cast<int>(answers.size()) - 1);
  if (answer < static_cast<int>(browsers.size())) {
    const FoundBrowser& found = browsers[static_cast<std::size_t>(answer)];
    ImportBookmarks(ReadBrowserBookmarks(found.browser, found.profile));
    return;
  }
  if (answer != static_cast<int>(browsers.size())) {
    return;
  }
  const QString path =
      QFileDialog::getOpenFileName(this, tr("Import Bookmarks"), QString(), BookmarkFileFilter());
  if (!path.isEmpty()) {
    ImportBookmarks(ReadBookmarkFile(path.toStdString()));
  }
}

void MainWindow::mnuFile_Export_Click() {
  const QString path = QFileDialog::getSaveFileName(
      this, tr("Export Bookmarks"), QString::fromStdString(HomeFolder()) + "/bookmarks.html",
      BookmarkFileFilter());
  if (!path.isEmpty()) {
    ExportBookmarks(path);
  }
}

void MainWindow::ImportBookmarks(const Result<Bookmarks>& bookmarks) {
  const auto imported = bookmarks ? kestrin::ImportBookmarks(*bookmarks, config_.favoritesRoot, "",
                                                             session_.restoreFolder())
                                  : Result<ImportOutcome>::Fail(bookmarks.error());
  if (!imported) {
    session_.AppendActivityLine(tr("Error: Unable to Import Bookmarks").toStdString());
    session_.AppendActivityLine(imported.error());
    session_.SetStatusText(tr("Unable to Import Bookmarks").toStdString());
    return;
  }
  for (const std::string& skipped : imported->skipped) {
    session_.AppendActivityLine(
        tr("Skipped %1").arg(QString::fromStdString(skipped)).toStdString());
  }
  for (const std::string& unshared : imported->notShared) {
    session_.AppendActivityLine(
        tr("Not shared: %1").arg(QString::fromStdString(unshared)).toStdString());
  }
  if (!imported->notKept.empty()) {
    session_.AppendActivityLine(
        tr("Error: The next sync may delete what was imported").toStdString());
    session_.AppendActivityLine(imported->notKept);
  }
  const QString done = tr("Imported %1 shortcuts (%2 beside another of the same name) and %3 "
                          "folders; %4 shortcuts were there already.")
                           .arg(imported->shortcutsCreated)
                           .arg(imported->writtenBeside)
                           .arg(imported->foldersCreated)
                           .arg(imported->alreadyThere);
  session_.AppendActivityLine(done.toStdString());
  session_.SetStatusText(done.toStdString());
}

void MainWindow::ExportBookmarks(const QString& path) {
  const Bookmarks favorites = ReadFavoritesTree(config_.favoritesRoot);
  if (const Result<> written =
          WriteFileAtomically(path.toStdString(), WriteNetscapeBookmarks(favorites.root), 0644);
      !written) {
    session_.AppendActivityLine(tr("Error: Unable to Export Bookmarks").toStdString());
    session_.AppendActivityLine(written.error());
    session_.SetStatusText(tr("Unable to Export Bookmarks").toStdString());
    return;
  }
  for (const std::string& skipped : favorites.leftOut) {
    session_.AppendActivityLine(
        tr("Skipped %1").arg(QString::fromStdString(skipped)).toStdString());
  }
  const BookmarkCount count = CountBookmarks(favorites.root);
  const QString done = tr("Exported %1 shortcuts in %2 folders to %3.")
                           .arg(count.links)
                           .arg(count.folders)
                           .arg(path);
  session_.AppendActivityLine(done.toStdString());
  session_.SetStatusText(done.toStdString());
}

void MainWindow::ConnectBrowsers(const std::string& homeFolder) {
  // kestrin-cli, the host, is installed beside the desktop program.
  const std::string program =
      (QCoreApplication::applicationDirPath() + "/kestrin-cli").toStdString();
  QStringList connected;
  for (const auto& [browser, name, folder] :
       {std::tuple{"firefox", "Firefox", ".mozilla"},
        std::tuple{"chromium", "Chromium", ".config/chromium"}}) {
    if (!QFileInfo(QString::fromStdString(homeFolder + folder)).isDir()) {
      continue;
    }
    const auto manifest = InstallBridgeHost(browser, HostManifestFolder(browser, homeFolder),
                                            program, config_.settingsPath, config_.favoritesRoot);
    if (!manifest) {
      session_.AppendActivityLine(tr("Error: Unable to Connect %1").arg(name).toStdString());
      session_.AppendActivityLine(manifest.error());
      continue;
    }
    connected << name;
  }
  const QString done =
      connected.isEmpty()
          ? tr("No browser to connect: neither Firefox nor Chromium has a profile here.")
          : tr("Connected %1 to the Favorites. Add the Kestrin extension in each browser: "
               "its options page shows the connection.")
                .arg(connected.join(", "));
  session_.AppendActivityLine(done.toStdString());
  session_.SetStatusText(done.toStdString());
}

}  // namespace kestrin::ui
