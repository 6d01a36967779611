#pragma once

#include <string>
#include <vector>

namespace kestrin {

// The user's own settings file, kestrin.ini in the program's folder (UserProgramFolder):
// $XDG_CONFIG_HOME/kestrin/ (default ~/.config/kestrin/); on Windows beside the executable
// when that folder is writable, else %APPDATA%\kestrin\. Its folder is created when missing;
// empty when there is none.
std::string SettingsFilePath();

// Where a run with the given settings file keeps its working files and its log.
struct ProgramFiles {
  std::string workFolder;  // ends in "/"
  std::string logPath;     // named after the settings file, ".ini" replaced by ".log"
};

// The user's own settings file keeps them in $XDG_STATE_HOME/kestrin/ (default
// ~/.local/state/kestrin/); a settings file named on the command line keeps them beside it,
// so that each setup keeps its own.
ProgramFiles ProgramFilesFor(const std::string& settingsPath);

// Older versions kept the settings file and the log beside the executable. When the user
// has no settings file of their own yet, moves them to where they now live and returns a
// line for each file moved; once moved they are not found there again.
std::vector<std::string> MoveFilesFromExecutableFolder();

}  // namespace kestrin
