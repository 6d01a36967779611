#include "settings/program_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/atomic_file.h"
#include "platform/native_path.h"
#include "platform/posix_files.h"
#include "platform/private_file.h"
#include "platform/program_folder.h"

namespace kestrin {
namespace {

const std::string kSettingsName = std::string(kProgramName) + ".ini";

// SettingsFilePath() without making its folder.
std::string UsersSettingsPath() {
  const std::string config = UserConfigFolder();
  return config.empty() ? std::string() : config + kProgramName + "/" + kSettingsName;
}

std::string LogNameFor(const std::string& settingsName) {
  const std::string extension = ".ini";
  if (settingsName.size() > extension.size() && settingsName.ends_with(extension)) {
    return settingsName.substr(0, settingsName.size() - extension.size()) + ".log";
  }
  return settingsName + ".log";
}

bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(NativePath(path), error));
}

bool IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(NativePath(path), error);
}

// Renamed when both lie on one file system, otherwise copied and removed; private either way.
bool MoveFile(const std::string& from, const std::string& to) {
  if (rename(from.c_str(), to.c_str()) != 0) {
    std::ifstream in(NativePath(from), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in || !WriteFileAtomically(to, bytes, 0600)) {
      return false;
    }
    unlink(from.c_str());
  }
  RestrictToOwner(to);
  return true;
}

}  // namespace

std::string SettingsFilePath() {
  const std::string folder = UserProgramFolder(kProgramName);
  return folder.empty() ? std::string() : folder + kSettingsName;
}

ProgramFiles ProgramFilesFor(const std::string& settingsPath) {
  const size_t slash = settingsPath.rfind('/');
  const std::string name =
      slash == std::string::npos ? settingsPath : settingsPath.substr(slash + 1);
  std::string folder = slash == std::string::npos ? "./" : settingsPath.substr(0, slash + 1);
  if (!settingsPath.empty() && settingsPath == UsersSettingsPath()) {
    folder = UserStateProgramFolder(kProgramName);
  }
  return {folder, folder + LogNameFor(name)};
}

std::vector<std::string> MoveFilesFromExecutableFolder() {
  const std::string executable = ExecutablePath();
  const std::string oldFolder = executable.substr(0, executable.rfind('/') + 1);
  const std::string oldSettings = oldFolder + kSettingsName;
  if (executable.empty() || !IsFile(oldSettings) || Exists(UsersSettingsPath())) {
    return {};
  }
  const std::string settings = SettingsFilePath();
  if (settings.empty()) {
    return {};
  }
  const std::pair<std::string, std::string> moves[] = {
      {oldSettings, settings},
      {oldFolder + LogNameFor(kSettingsName), ProgramFilesFor(settings).logPath}};
  std::vector<std::string> lines;
  for (const auto& [from, to] : moves) {
    if (IsFile(from) && !Exists(to) && MoveFile(from, to)) {
      lines.push_back("Moved " + from + " to " + to);
    }
  }
  return lines;
}

}  // namespace kestrin
