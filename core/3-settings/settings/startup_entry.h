#pragma once

#include <string>

namespace kestrin {

// Writes (on) or removes (off) the per-user autostart entry that starts the program at
// logon: $XDG_CONFIG_HOME/autostart/<programName>.desktop with Exec = executablePath.
// Failures are ignored.
void UpdateStartupEntry(bool startWithLogon, const std::string& programName,
                        const std::string& executablePath);

// Where that entry lives; empty when no configuration folder can be found.
std::string StartupEntryPath(const std::string& programName);

}  // namespace kestrin
