#include <iostream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/print_display.h"
#include "cli/terminal_confirm.h"
#include "ftp/ftp_client.h"
#include "qt_locale/locale_date_format.h"
#include "settings/sync_settings.h"
#include "sync/dry_run.h"
#include "sync/sync_run.h"

namespace kestrin::cli {

int SyncCommand(const std::vector<std::string>& words) {
  const auto args = Arguments::Parse(
      words, {"--yes", "--no", "--quiet", "--dry-run", "--keep-local", "--trust-new-server"},
      {"--settings", "--favorites"});
  if (!args || !args->positional().empty() || (args->Has("--yes") && args->Has("--no"))) {
    return kExitUsage;
  }
  const std::string settingsPath = SettingsPathOf(*args);
  const LoadedSettings loaded = LoadSettings(settingsPath, SyncSettings{});
  for (const std::string& warning : loaded.warnings) {
    WriteProblem(settingsPath + ": " + warning);
  }
  if (loaded.settings.Protocol == static_cast<int>(Protocol::WebDavHttp)) {
    WriteProblem(settingsPath +
                 ": Protocol=4 (WebDAV over plain HTTP) sends the password in clear; "
                 "Protocol=3 sends it over HTTPS");
  }

  const bool dryRun = args->Has("--dry-run");
  const bool quiet = args->Has("--quiet");
  // A dry run's output is the change list alone.
  PrintDisplay display(quiet || dryRun);
  SyncEnvironment env = StandardEnvironment(display, settingsPath);
  if (const auto folder = args->Value("--favorites")) {
    env.favoritesRoot = AbsoluteFolder(*folder);
  }
  env.dateFormat = LocaleGeneralDateFormat();
  env.decimalSeparator = LocaleDecimalSeparator();
  if (dryRun) {
    const auto show = [](const ChangeList& changes) { WriteChangeRows(std::cout, changes); };
    return DryRunSync(loaded.settings, env, show) ? kExitOk : kExitFailure;
  }
  env.keepLocal = args->Has("--keep-local");
  // Not in a dry run, which writes nothing, not even a server's fingerprint.
  env.trustNewServer = TerminalTrust(args->Has("--trust-new-server"));
  env.reportChanges = [quiet](const RunSummary& summary) {
    if (!quiet) {
      std::cout << SummaryText(summary)
                << (summary.restoreId.empty()
                        ? ""
                        : " (undo: kestrin-cli restore " + summary.restoreId + ")")
                << "\n";
    }
  };
  size_t waiting = 0;
  env.confirm = TerminalConfirm(args->Has("--yes")  ? ConfirmPolicy::ApplyAll
                                : args->Has("--no") ? ConfirmPolicy::CancelAll
                                                    : ConfirmPolicy::Ask,
                                waiting);
  if (!RunSync(loaded.settings, env)) {
    return kExitFailure;
  }
  if (waiting > 0) {
    // Without a terminal nobody could be asked: said plainly, so that cron does not go on
    // ending quietly with nothing synchronized.
    WriteProblem(std::to_string(waiting) +
                 " changes wait for confirmation; none was applied. Run 'kestrin-cli sync' "
                 "with --yes to apply them, --dry-run to list them.");
    return kExitAwaitingConfirmation;
  }
  return kExitOk;
}

}  // namespace kestrin::cli
