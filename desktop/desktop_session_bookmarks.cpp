// The session's bookmarks in and out: File → Import Bookmarks… takes a browser's bookmarks or
// a bookmark file into the Favorites folder, Export Bookmarks… writes them as a file, and
// Connect Browsers… sets up the browser bridge that keeps them one tree.
#include <filesystem>
#include <tuple>

#include "bookmarks/bridge_host.h"
#include "bookmarks/browser_profiles.h"
#include "bookmarks/favorites_tree.h"
#include "bookmarks/import_bookmarks.h"
#include "bookmarks/netscape_html.h"
#include "desktop/desktop_session.h"
#include "platform/atomic_file.h"
#include "platform/program_folder.h"

namespace kestrin::desktop {

void DesktopSession::ImportBookmarksChosen() {
  if (runInProgress_) {
    return;
  }
  const std::vector<FoundBrowser> browsers = FindBrowsers(HomeFolder());
  const std::size_t fromFile = browsers.size();
  const std::size_t answer =
      browsers.empty() ? fromFile
                       : static_cast<std::size_t>(view_.Ask(ImportSourceQuestion(browsers)));
  if (answer < browsers.size()) {
    ImportBookmarks(ReadBrowserBookmarks(browsers[answer].browser, browsers[answer].profile));
  } else if (answer == fromFile) {
    if (const auto path = view_.AskBookmarkFile(BookmarkFileUse::Import, "")) {
      ImportBookmarks(ReadBookmarkFile(*path));
    }
  }
}

void DesktopSession::ExportBookmarksChosen() {
  if (const auto path =
          view_.AskBookmarkFile(BookmarkFileUse::Export, HomeFolder() + "/bookmarks.html")) {
    ExportBookmarks(*path);
  }
}

void DesktopSession::ImportBookmarks(const Result<Bookmarks>& bookmarks) {
  const auto imported =
      bookmarks ? kestrin::ImportBookmarks(*bookmarks, config_.favoritesRoot, "", restoreFolder_)
                : Result<ImportOutcome>::Fail(bookmarks.error());
  if (!imported) {
    AppendActivityLine("Error: Unable to Import Bookmarks");
    AppendActivityLine(imported.error());
    SetStatusText("Unable to Import Bookmarks");
    return;
  }
  for (const std::string& skipped : imported->skipped) {
    AppendActivityLine("Skipped " + skipped);
  }
  for (const std::string& unshared : imported->notShared) {
    AppendActivityLine("Not shared: " + unshared);
  }
  if (!imported->notKept.empty()) {
    AppendActivityLine("Error: The next sync may delete what was imported");
    AppendActivityLine(imported->notKept);
  }
  const std::string done =
      "Imported " + std::to_string(imported->shortcutsCreated) + " shortcuts (" +
      std::to_string(imported->writtenBeside) + " beside another of the same name) and " +
      std::to_string(imported->foldersCreated) + " folders; " +
      std::to_string(imported->alreadyThere) + " shortcuts were there already.";
  AppendActivityLine(done);
  SetStatusText(done);
}

void DesktopSession::ExportBookmarks(const std::string& path) {
  const Bookmarks favorites = ReadFavoritesTree(config_.favoritesRoot);
  if (const Result<> written =
          WriteFileAtomically(path, WriteNetscapeBookmarks(favorites.root), 0644);
      !written) {
    AppendActivityLine("Error: Unable to Export Bookmarks");
    AppendActivityLine(written.error());
    SetStatusText("Unable to Export Bookmarks");
    return;
  }
  for (const std::string& skipped : favorites.leftOut) {
    AppendActivityLine("Skipped " + skipped);
  }
  const BookmarkCount count = CountBookmarks(favorites.root);
  const std::string done = "Exported " + std::to_string(count.links) + " shortcuts in " +
                           std::to_string(count.folders) + " folders to " + path + ".";
  AppendActivityLine(done);
  SetStatusText(done);
}

void DesktopSession::ConnectBrowsers(const std::string& homeFolder) {
  // kestrin-cli, the host, is installed beside the desktop program.
  const std::string program =
      (std::filesystem::path(ExecutablePath()).parent_path() / "kestrin-cli").string();
  std::string connected;
  for (const auto& [browser, name, folder] :
       {std::tuple{"firefox", "Firefox", ".mozilla"},
        std::tuple{"chromium", "Chromium", ".config/chromium"}}) {
    std::error_code ec;
    if (!std::filesystem::is_directory(homeFolder + folder, ec)) {
      continue;
    }
    const auto manifest = InstallBridgeHost(browser, HostManifestFolder(browser, homeFolder),
                                            program, config_.settingsPath, config_.favoritesRoot);
    if (!manifest) {
      AppendActivityLine(std::string("Error: Unable to Connect ") + name);
      AppendActivityLine(manifest.error());
      continue;
    }
    connected += (connected.empty() ? "" : ", ") + std::string(name);
  }
  const std::string done =
      connected.empty()
          ? "No browser to connect: neither Firefox nor Chromium has a profile here."
          : "Connected " + connected +
                " to the Favorites. Add the Kestrin extension in each browser: its options "
                "page shows the connection.";
  AppendActivityLine(done);
  SetStatusText(done);
}

}  // namespace kestrin::desktop
