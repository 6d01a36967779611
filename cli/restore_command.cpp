#include <iostream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "qt_locale/locale_date_format.h"
#include "settings/program_files.h"
#include "sync/restore_favorites.h"
#include "sync/restore_point.h"

namespace kestrin::cli {
namespace {

std::string Counted(size_t count, const std::string& what) {
  return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

// "3 shortcuts, 1 folder": what a point holds.
std::string Contents(const RestorePoint& point) {
  size_t folders = 0;
  for (const SavedItem& item : point.items) {
    folders += item.folder ? 1 : 0;
  }
  return Counted(point.items.size() - folders, "shortcut") + ", " + Counted(folders, "folder");
}

}  // namespace

int RestoreCommand(const std::vector<std::string>& words) {
  const auto args = Arguments::Parse(words, {"--list"}, {"--settings", "--favorites"});
  if (!args || args->positional().size() > (args->Has("--list") ? 0u : 1u)) {
    return kExitUsage;
  }
  const std::string settingsPath = SettingsPathOf(*args);
  const std::string restoreFolder = RestoreFolderOf(ProgramFilesFor(settingsPath).workFolder);
  if (args->Has("--list")) {
    for (const RestorePoint& point : ListRestorePoints(restoreFolder)) {
      WriteRow(std::cout, {point.id, FormatGeneralDate(point.made, LocaleGeneralDateFormat()),
                           Contents(point)});
    }
    return kExitOk;
  }
  const std::string favoritesRoot = FavoritesFolderOf(*args);
  if (favoritesRoot.empty()) {
    WriteProblem("Error: Unable to Find the Favorites Folder");
    return kExitFailure;
  }
  const std::string id = args->positional().empty() ? "" : args->positional().front();
  const auto restored = RestoreFavorites(restoreFolder, id, favoritesRoot, LocalNow());
  if (!restored) {
    WriteProblem("Error: Unable to Restore Favorites");
    WriteProblem(restored.error());
    return kExitFailure;
  }
  for (const std::string& refused : restored->refused) {
    WriteProblem("Error: Unable to Restore " + refused);
  }
  if (!restored->undoId.empty()) {
    std::cout << "What the restore replaced is restore point " << restored->undoId << ".\n";
  }
  return restored->refused.empty() ? kExitOk : kExitFailure;
}

}  // namespace kestrin::cli
