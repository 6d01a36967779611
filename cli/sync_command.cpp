
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/print_display.h"
#include "cli/terminal_confirm.h"
#include "qt_locale/locale_date_format.h"
#include "settings/sync_settings.h"
#include "sync/sync_run.h"

namespace kestrin::cli {

int SyncCommand(const std::vector<std::string>& words) {
  const auto args = Arguments::Parse(words, {"--yes", "--no"}, {"--settings", "--favorites"});
  if (!args || !args->positional().empty() || (args->Has("--yes") && args->Has("--no"))) {
    return kExitUsage;
  }
  const std::string settingsPath = args->Value("--settings").value_or(SettingsFilePath());
  const LoadedSettings loaded = LoadSettings(settingsPath, SyncSettings{});
  for (const std::string& warning : loaded.warnings) {
    WriteProblem(settingsPath + ": " + warning);
  }

  PrintDisplay display;
  SyncEnvironment env = StandardEnvironment(display, settingsPath);
  if (const auto folder = args->Value("--favorites")) {
    env.favoritesRoot = AbsoluteFolder(*folder);
  }
  env.dateFormat = LocaleGeneralDateFormat();
  env.decimalSeparator = LocaleDecimalSeparator();
  env.confirm = TerminalConfirm(args->Has("--yes")  ? ConfirmPolicy::ApplyAll
                                : args->Has("--no") ? ConfirmPolicy::CancelAll
                                                    : ConfirmPolicy::Ask);
  return RunSync(loaded.settings, env) ? kExitOk : kExitFailure;
}

}  // namespace kestrin::cli
