// kestrin-cli bridge: the native messaging host that keeps a browser's bookmarks and the
// Favorites folder one tree, and --install / --uninstall of its manifest for one browser.

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iostream>

#include "bookmarks/bridge_host.h"
#include "bookmarks/bridge_session.h"
#include "bookmarks/native_message.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "platform/program_folder.h"
#include "settings/program_files.h"
#include "sync/restore_point.h"

namespace kestrin::cli {
namespace {

// How often the Favorites folder is looked at for changes while the browser says nothing.
constexpr int kFolderLookMilliseconds = 1000;

std::string ManifestFolder(const std::string& browser, const Arguments& args) {
  const auto userData = args.Value("--user-data-dir");
  return HostManifestFolder(browser, HomeFolder(), userData ? AbsoluteFolder(*userData) : "");
}

std::string ThisProgram() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).string();
}

int Install(const std::string& browser, const Arguments& args, const std::string& favoritesRoot) {
  const auto manifest = InstallBridgeHost(browser, ManifestFolder(browser, args), ThisProgram(),
                                          SettingsPathOf(args), favoritesRoot);
  if (!manifest) {
    WriteProblem("Error: Unable to Connect the Browser");
    WriteProblem(manifest.error());
    return kExitFailure;
  }
  std::cout << "Connected " << browser << " to " << PrintableText(favoritesRoot) << " ("
            << PrintableText(*manifest) << ").\n";
  return kExitOk;
}

int Uninstall(const std::string& browser, const Arguments& args) {
  if (const Result<> removed =
          UninstallBridgeHost(browser, ManifestFolder(browser, args), SettingsPathOf(args));
      !removed) {
    WriteProblem("Error: Unable to Disconnect the Browser");
    WriteProblem(removed.error());
    return kExitFailure;
  }
  std::cout << "Disconnected " << browser << ".\n";
  return kExitOk;
}

bool SendAll(const std::vector<std::string>& messages) {
  for (const std::string& message : messages) {
    if (!WriteNativeMessage(STDOUT_FILENO, message)) {
      return false;
    }
  }
  return true;
}

int Serve(const std::string& favoritesRoot, const std::string& settings) {
  const std::string work = ProgramFilesFor(settings).workFolder;
  BridgeSession session({favoritesRoot, work + "bridge/", RestoreFolderOf(work)}, LocalNow);
  for (;;) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&input, 1, kFolderLookMilliseconds);
    if (ready < 0 && errno != EINTR) {
      return kExitFailure;
    }
    if (ready <= 0) {
      if (!SendAll(session.Tick())) {
        return kExitFailure;
      }
      continue;
    }
    const auto message = ReadNativeMessage(STDIN_FILENO);
    if (!message || !*message) {
      if (!message) {
        WriteProblem("Error: The Browser's Message Was Refused");
        WriteProblem(message.error());
      }
      return message ? kExitOk : kExitFailure;
    }
    if (!SendAll(session.Receive(**message))) {
      return kExitFailure;
    }
  }
}

}  // namespace

int BridgeCommand(const std::vector<std::string>& words) {
  // Browsers add words of their own (the extension's origin, the manifest's path): ignored.
  const auto args = Arguments::Parse(
      words, {}, {"--install", "--uninstall", "--user-data-dir", "--settings", "--favorites"});
  if (!args) {
    return kExitUsage;
  }
  const auto install = args->Value("--install"), uninstall = args->Value("--uninstall");
  const std::string browser = install.value_or(uninstall.value_or("firefox"));
  if ((install && uninstall) || !IsBridgeBrowser(browser)) {
    return kExitUsage;
  }
  if (uninstall) {
    return Uninstall(browser, *args);
  }
  const std::string favoritesRoot = FavoritesFolderOf(*args);
  if (favoritesRoot.empty()) {
    WriteProblem("Error: Unable to Find the Favorites Folder");
    return kExitFailure;
  }
  if (install) {
    return Install(browser, *args, favoritesRoot);
  }
  return Serve(favoritesRoot, SettingsPathOf(*args));
}

}  // namespace kestrin::cli
