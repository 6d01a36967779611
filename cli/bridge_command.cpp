// kestrin-cli bridge: the native messaging host that keeps a browser's bookmarks and the
// Favorites folder one tree, and --install / --uninstall of its manifest for one browser.

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <tuple>

#include "bookmarks/bridge_session.h"
#include "bookmarks/json_text.h"
#include "bookmarks/native_message.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "platform/atomic_file.h"
#include "platform/program_folder.h"
#include "settings/program_files.h"
#include "sync/apply_changes.h"
#include "sync/restore_point.h"

namespace kestrin::cli {
namespace {

constexpr char kHostName[] = "org.kestrin.bridge";
constexpr char kFirefoxExtension[] = "bridge@kestrin";
constexpr char kChromiumExtension[] = "chrome-extension://bceliofllpckjegojjlefljejffmkioi/";
// How often the Favorites folder is looked at for changes while the browser says nothing.
constexpr int kFolderLookMilliseconds = 1000;

std::string ManifestFolder(const std::string& browser, const Arguments& args) {
  if (browser == "firefox") {
    return HomeFolder() + ".mozilla/native-messaging-hosts/";
  }
  const auto userData = args.Value("--user-data-dir");
  return (userData ? AbsoluteFolder(*userData) : HomeFolder() + ".config/chromium/") +
         "NativeMessagingHosts/";
}

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

std::string ThisProgram() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).string();
}

int Install(const std::string& browser, const Arguments& args, const std::string& favoritesRoot) {
  const std::string folder = ManifestFolder(browser, args);
  const std::string manifest = folder + kHostName + ".json";
  const std::string settings = SettingsPathOf(args);
  const std::string launcher = ProgramFilesFor(settings).workFolder + "bridge-" + browser;
  CreateFolderPath(launcher);
  CreateFolderPath(manifest);
  // Browsers start a host without arguments of ours: the launcher names the folder it serves.
  const std::string script = "#!/bin/sh\nexec " + ShellQuoted(ThisProgram()) +
                             " bridge --settings " + ShellQuoted(settings) + " --favorites " +
                             ShellQuoted(favoritesRoot) + " \"$@\"\n";
  const std::string allowed = browser == "firefox"
                                  ? "\"allowed_extensions\":[" + JsonString(kFirefoxExtension) + "]"
                                  : "\"allowed_origins\":[" + JsonString(kChromiumExtension) + "]";
  const std::string json = "{\"name\":\"" + std::string(kHostName) +
                           "\",\"description\":\"Kestrin: bookmarks and the Favorites folder as "
                           "one\",\"path\":" +
                           JsonString(launcher) + ",\"type\":\"stdio\"," + allowed + "}\n";
  for (const auto& [path, bytes, mode] :
       {std::tuple{launcher, script, 0755}, std::tuple{manifest, json, 0644}}) {
    if (const Result<> written = WriteFileAtomically(path, bytes, static_cast<mode_t>(mode));
        !written) {
      WriteProblem("Error: Unable to Connect the Browser");
      WriteProblem(written.error());
      return kExitFailure;
    }
  }
  std::cout << "Connected " << browser << " to " << PrintableText(favoritesRoot) << " ("
            << PrintableText(manifest) << ").\n";
  return kExitOk;
}

int Uninstall(const std::string& browser, const Arguments& args) {
  const std::string manifest = ManifestFolder(browser, args) + kHostName + ".json";
  const std::string launcher =
      ProgramFilesFor(SettingsPathOf(args)).workFolder + "bridge-" + browser;
  unlink(launcher.c_str());
  if (unlink(manifest.c_str()) != 0 && errno != ENOENT) {
    WriteProblem("Error: Unable to Disconnect the Browser");
    WriteProblem(manifest + ": " + std::strerror(errno));
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
  if ((install && uninstall) || (browser != "firefox" && browser != "chromium")) {
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
