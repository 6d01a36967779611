#include <iostream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/table_output.h"
#include "favorites/data_file.h"
#include "qt_locale/locale_date_format.h"
#include "sync/change_detection.h"

namespace kestrin::cli {

int DiffCommand(const std::vector<std::string>& words) {
  const auto args = Arguments::Parse(words, {"--decode"}, {});
  if (!args || args->positional().size() != 2) {
    return kExitUsage;
  }
  const bool decode = args->Has("--decode");
  const std::string& localPath = args->positional()[0];
  const std::string& sharedPath = args->positional()[1];
  const auto local = ReadFavoritesDataFile(localPath, decode);
  const auto shared = ReadFavoritesDataFile(sharedPath, decode);
  if (!local || !shared) {
    std::cerr << "kestrin-cli: " << (local ? sharedPath : localPath) << ": "
              << (local ? shared.error() : local.error()) << "\n";
    return kExitFailure;
  }
  const auto changes = ChangesToApply(*local, *shared, LocaleGeneralDateFormat());
  if (!changes) {
    std::cerr << "kestrin-cli: " << changes.error() << "\n";
    return kExitFailure;
  }
  for (const ChangeRow& row : RowsInDialogOrder(*changes)) {
    const PendingChange& c = row.change;
    WriteRow(std::cout, {ChangeActionText(row.action), c.Path, c.Name, c.URL, c.IconFile,
                         c.IconIndex, c.Type});
  }
  return kExitOk;
}

}  // namespace kestrin::cli
