#include <iostream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "favorites/data_file.h"
#include "favorites/scanner.h"
#include "formats/ini_file.h"
#include "qt_locale/locale_date_format.h"
#include "settings/program_files.h"
#include "settings/sync_settings.h"

namespace kestrin::cli {

int SnapshotCommand(const std::vector<std::string>& words) {
  const auto args = Arguments::Parse(words, {"--encode"}, {"--favorites", "--name"});
  if (!args || !args->positional().empty()) {
    return kExitUsage;
  }
  const std::string root = FavoritesFolderOf(*args);
  if (root.empty()) {
    WriteProblem("Unable to Find the Favorites Folder");
    return kExitFailure;
  }
  const std::string name =
      args->Value("--name").value_or(ReadIniString(SettingsFilePath(), kSettingsSection, "Name"));

  const GeneralDateFormat dateFormat = LocaleGeneralDateFormat();
  WriteDataFileHeader(std::cout, name, LocalNow(), dateFormat);
  ScanOptions options{args->Has("--encode"), dateFormat, {}, [](const std::string& warning) {
                        WriteProblem("skipped " + warning);
                      }};
  ScanFavoritesFolder(root, std::cout, options);
  std::cout.flush();
  return std::cout ? kExitOk : kExitFailure;
}

}  // namespace kestrin::cli
