#include <iostream>

#include "bookmarks/browser_profiles.h"
#include "bookmarks/favorites_tree.h"
#include "bookmarks/import_bookmarks.h"
#include "bookmarks/netscape_html.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "favorites/other_host.h"
#include "favorites/record_rule.h"
#include "favorites/shortcut_file.h"
#include "platform/atomic_file.h"
#include "platform/open_with_default.h"
#include "platform/program_folder.h"
#include "platform/whole_file.h"
#include "settings/program_files.h"
#include "sync/restore_point.h"

namespace kestrin::cli {
namespace {

int Failed(const std::string& line, const std::string& reason = "") {
  WriteProblem("Error: " + line);
  if (!reason.empty()) {
    WriteProblem(reason);
  }
  return kExitFailure;
}

Result<Bookmarks> BookmarksToImport(const Arguments& args) {
  if (const auto html = args.Value("--html")) {
    return ReadBookmarkFile(*html);
  }
  Browser browser{};
  BrowserNamed(*args.Value("--from"), browser);
  const std::string profile =
      args.Value("--profile").value_or(DefaultProfile(browser, HomeFolder()));
  if (profile.empty()) {
    return Result<Bookmarks>::Fail("no default profile of " + *args.Value("--from"));
  }
  return ReadBrowserBookmarks(browser, profile);
}

}  // namespace

int ExportCommand(const std::vector<std::string>& words) {
  const auto args = Arguments::Parse(words, {}, {"--html", "--settings", "--favorites"});
  if (!args || !args->positional().empty() || !args->Value("--html")) {
    return kExitUsage;
  }
  const std::string favoritesRoot = FavoritesFolderOf(*args);
  if (favoritesRoot.empty()) {
    return Failed("Unable to Find the Favorites Folder");
  }
  const Bookmarks favorites = ReadFavoritesTree(favoritesRoot);
  const std::string file = *args->Value("--html");
  if (const Result<> written =
          WriteFileAtomically(file, WriteNetscapeBookmarks(favorites.root), 0644);
      !written) {
    return Failed("Unable to Export Bookmarks", written.error());
  }
  for (const std::string& skipped : favorites.leftOut) {
    WriteProblem("Skipped " + skipped);
  }
  const BookmarkCount count = CountBookmarks(favorites.root);
  std::cout << "Exported " << count.links << " shortcuts in " << count.folders << " folders to "
            << PrintableText(file) << ".\n";
  return kExitOk;
}

int ImportCommand(const std::vector<std::string>& words) {
  const auto args = Arguments::Parse(
      words, {}, {"--html", "--from", "--profile", "--into", "--settings", "--favorites"});
  Browser browser{};
  if (!args || !args->positional().empty() ||
      args->Value("--html").has_value() == args->Value("--from").has_value() ||
      (args->Value("--from") && !BrowserNamed(*args->Value("--from"), browser)) ||
      (args->Value("--profile") && !args->Value("--from"))) {
    return kExitUsage;
  }
  const std::string favoritesRoot = FavoritesFolderOf(*args);
  if (favoritesRoot.empty()) {
    return Failed("Unable to Find the Favorites Folder");
  }
  const Result<Bookmarks> bookmarks = BookmarksToImport(*args);
  if (!bookmarks) {
    return Failed("Unable to Read Bookmarks", bookmarks.error());
  }
  const std::string settingsPath = SettingsPathOf(*args);
  const auto imported =
      ImportBookmarks(*bookmarks, favoritesRoot, args->Value("--into").value_or(""),
                      RestoreFolderOf(ProgramFilesFor(settingsPath).workFolder));
  if (!imported) {
    return Failed("Unable to Import Bookmarks", imported.error());
  }
  for (const std::string& skipped : imported->skipped) {
    WriteProblem("Skipped " + skipped);
  }
  for (const std::string& unshared : imported->notShared) {
    WriteProblem("Not shared: " + unshared);
  }
  std::cout << "Imported " << imported->shortcutsCreated << " shortcuts ("
            << imported->writtenBeside << " beside another of the same name) and "
            << imported->foldersCreated << " folders; " << imported->alreadyThere
            << " shortcuts were there already.\n";
  if (!imported->notKept.empty()) {
    return Failed("The next sync may delete what was imported", imported->notKept);
  }
  return kExitOk;
}

int OpenCommand(const std::vector<std::string>& words) {
  const auto args = Arguments::Parse(words, {}, {});
  if (!args || args->positional().size() != 1) {
    return kExitUsage;
  }
  const std::string& file = args->positional().front();
  const auto bytes = ReadOrdinaryFile(file, kMaxShortcutFileBytes);
  if (!bytes) {
    return Failed("Unable to Open Shortcut", bytes.error());
  }
  const std::string url = ParseShortcutFile(*bytes).URL;
  if (!IsOpenableUrl(url)) {
    return Failed(
        "Unable to Open Shortcut",
        file + ": only http, https, ftp and file addresses are opened, not \"" + url + "\"");
  }
  // A shortcut file opens with this command: a file: URL naming one would open it again, and
  // again. A file on another host would have Windows hand that host the user's login hash.
  if (const auto target = FileUrlTarget(url); target && HasShortcutName(*target)) {
    return Failed("Unable to Open Shortcut", file + ": its file address names a shortcut file");
  }
  if (NamesAnotherHost(url)) {
    return Failed("Unable to Open Shortcut", file + ": its address names another host");
  }
  if (!OpenWithDefaultProgram(url)) {
    return Failed("Unable to Open Shortcut", "cannot start the default browser (xdg-open)");
  }
  return kExitOk;
}

}  // namespace kestrin::cli
