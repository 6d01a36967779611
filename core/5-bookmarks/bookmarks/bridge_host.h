#pragma once

#include <string>

#include "platform/result.h"

namespace kestrin {

// The browsers whose Kestrin extension reaches the bridge: "firefox" and "chromium".
bool IsBridgeBrowser(const std::string& browser);

// The folder where the browser looks for this user's native messaging hosts: Firefox's below
// the home folder (ending in "/"), Chromium's in its user data folder (ending in "/"; empty
// for ~/.config/chromium/).
std::string HostManifestFolder(const std::string& browser, const std::string& homeFolder,
                               const std::string& userDataFolder = "");

// Writes the manifest of the host org.kestrin.bridge into `manifestFolder` and the launcher
// it names beside the working files of `settingsPath`: the browser starts a host without
// words of ours, so the launcher runs `program bridge` for that settings file and Favorites
// folder. Gives the manifest's path; fails saying why.
Result<std::string> InstallBridgeHost(const std::string& browser, const std::string& manifestFolder,
                                      const std::string& program, const std::string& settingsPath,
                                      const std::string& favoritesRoot);

// Removes what InstallBridgeHost wrote; what is not there is no failure.
Result<> UninstallBridgeHost(const std::string& browser, const std::string& manifestFolder,
                             const std::string& settingsPath);

}  // namespace kestrin
