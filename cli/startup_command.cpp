#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "platform/program_folder.h"
#include "settings/startup_entry.h"
#include "settings/sync_settings.h"

namespace kestrin::cli {

int StartupCommand(const std::vector<std::string>& words) {
  const auto args = Arguments::Parse(words, {}, {"--settings"});
  if (!args || !args->positional().empty()) {
    return kExitUsage;
  }
  const std::string settingsPath = SettingsPathOf(*args);
  const LoadedSettings loaded = LoadSettings(settingsPath, SyncSettings{});
  for (const std::string& warning : loaded.warnings) {
    WriteProblem(settingsPath + ": " + warning);
  }
  // The entry starts the desktop program, which lives beside this one.
  const std::string self = ExecutablePath();
  const std::string extension = self.ends_with(".exe") ? ".exe" : "";
  const std::string desktopProgram = self.substr(0, self.rfind('/') + 1) + kProgramName + extension;
  UpdateStartupEntry(loaded.settings.StartWithWin == 1, kProgramName, desktopProgram);
  return kExitOk;
}

}  // namespace kestrin::cli
