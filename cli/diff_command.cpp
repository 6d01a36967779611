#include <iostream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/list_file.h"
#include "cli/output.h"
#include "qt_locale/locale_date_format.h"
#include "settings/program_files.h"
#include "sync/change_detection.h"

namespace kestrin::cli {

int DiffCommand(const std::vector<std::string>& words) {
  const auto args = Arguments::Parse(words, {"--decode"}, {"--settings", "--base"});
  if (!args || args->positional().size() != 2) {
    return kExitUsage;
  }
  const bool decode = args->Has("--decode");
  const std::string settingsPath = SettingsPathOf(*args);
  const auto local = ReadListFile(args->positional()[0], decode, settingsPath);
  const auto shared = ReadListFile(args->positional()[1], decode, settingsPath);
  if (!local || !shared) {
    WriteProblem(local ? shared.error() : local.error());  // the error names the file
    return kExitFailure;
  }
  // With the list both sides last agreed on, the comparison is the run's three-way merge.
  std::optional<FavoritesDataFile> base;
  if (const auto basePath = args->Value("--base")) {
    auto read = ReadListFile(*basePath, decode, settingsPath);
    if (!read) {
      WriteProblem(read.error());
      return kExitFailure;
    }
    base = std::move(*read);
  }
  const auto changes =
      ChangesToApply(*local, *shared, base ? &base->records : nullptr, LocaleGeneralDateFormat());
  if (!changes) {
    WriteProblem(changes.error());
    return kExitFailure;
  }
  WriteChangeRows(std::cout, *changes);
  return kExitOk;
}

}  // namespace kestrin::cli
