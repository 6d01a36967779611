#include "bookmarks/bridge_host.h"

#include <filesystem>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <tuple>

#include "bookmarks/json_text.h"
#include "platform/atomic_file.h"
#include "platform/native_path.h"
#include "settings/program_files.h"
#include "sync/apply_changes.h"

namespace kestrin {
namespace {

constexpr char kHostName[] = "org.kestrin.bridge";
constexpr char kFirefoxExtension[] = "bridge@kestrin";
// Fixed by the public key in the extension's manifest.
constexpr char kChromiumExtension[] = "chrome-extension://bceliofllpckjegojjlefljejffmkioi/";

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

std::string LauncherOf(const std::string& browser, const std::string& settingsPath) {
  return ProgramFilesFor(settingsPath).workFolder + "bridge-" + browser;
}

}  // namespace

bool IsBridgeBrowser(const std::string& browser) {
  return browser == "firefox" || browser == "chromium";
}

std::string HostManifestFolder(const std::string& browser, const std::string& homeFolder,
                               const std::string& userDataFolder) {
  if (browser == "firefox") {
    return homeFolder + ".mozilla/native-messaging-hosts/";
  }
  return (userDataFolder.empty() ? homeFolder + ".config/chromium/" : userDataFolder) +
         "NativeMessagingHosts/";
}

Result<std::string> InstallBridgeHost(const std::string& browser, const std::string& manifestFolder,
                                      const std::string& program, const std::string& settingsPath,
                                      const std::string& favoritesRoot) {
  const std::string manifest = manifestFolder + kHostName + ".json";
  const std::string launcher = LauncherOf(browser, settingsPath);
  for (const std::string& file : {launcher, manifest}) {
    std::error_code ignored;  // a folder that cannot be made fails the write below
    std::filesystem::create_directories(NativePath(file.substr(0, file.rfind('/'))), ignored);
  }
  const std::string script = "#!/bin/sh\nexec " + ShellQuoted(program) + " bridge --settings " +
                             ShellQuoted(settingsPath) + " --favorites " +
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
      return Result<std::string>::Fail(written.error());
    }
  }
  return Result<std::string>::Ok(manifest);
}

Result<> UninstallBridgeHost(const std::string& browser, const std::string& manifestFolder,
                             const std::string& settingsPath) {
  unlink(LauncherOf(browser, settingsPath).c_str());
  const std::string manifest = manifestFolder + kHostName + ".json";
  if (unlink(manifest.c_str()) != 0 && errno != ENOENT) {
    return Result<>::Fail(manifest + ": " + std::strerror(errno));
  }
  return Result<>::Ok();
}

}  // namespace kestrin
