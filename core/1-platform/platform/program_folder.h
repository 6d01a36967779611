#pragma once

#include <string>

namespace kestrin {

// The desktop program's name: its settings file is "kestrin.ini", its log "kestrin.log",
// and a run's first and last activity lines begin with it.
inline constexpr char kProgramName[] = "kestrin";

// The application title, used in captions, tooltips and message boxes.
inline constexpr char kApplicationTitle[] = "Kestrin";

// The running executable's absolute path.
std::string ExecutablePath();

// $XDG_CONFIG_HOME/name/ (default ~/.config/name/), where the settings live, created with
// mode 0700 when missing; empty when it cannot be made.
std::string UserProgramFolder(const std::string& name);

// $XDG_STATE_HOME/name/ (default ~/.local/state/name/), where the log and the working files
// live, created with mode 0700 when missing; empty when it cannot be made.
std::string UserStateProgramFolder(const std::string& name);

// $XDG_CONFIG_HOME, or ~/.config/; empty when neither can be found.
std::string UserConfigFolder();

// $XDG_STATE_HOME, or ~/.local/state/; empty when neither can be found.
std::string UserStateFolder();

// The user's home folder; empty when none can be found.
std::string HomeFolder();

}  // namespace kestrin
