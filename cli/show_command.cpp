#include <iostream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/list_file.h"
#include "cli/output.h"
#include "settings/program_files.h"

namespace kestrin::cli {

int ShowCommand(const std::vector<std::string>& words) {
  const auto args = Arguments::Parse(words, {"--decode"}, {"--settings"});
  if (!args || args->positional().size() != 1) {
    return kExitUsage;
  }
  const std::string& path = args->positional()[0];
  const auto file = ReadListFile(path, args->Has("--decode"), SettingsPathOf(*args));
  if (!file) {
    WriteProblem(file.error());  // the error names the file
    return kExitFailure;
  }
  WriteRow(std::cout, {file->header.ComputerName, file->header.WrittenAt});
  for (const FavoriteRecord& r : file->records) {
    WriteRow(std::cout, {r.Modified, r.Path, r.Name, r.URL, r.IconFile, r.IconIndex, r.Type});
  }
  return kExitOk;
}

}  // namespace kestrin::cli
