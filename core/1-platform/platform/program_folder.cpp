#include "platform/program_folder.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrin {
namespace {

std::string WithTrailingSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') {
    folder += '/';
  }
  return folder;
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::string HomeFromPasswordDatabase() {
  long bufferSize = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(bufferSize > 0 ? static_cast<size_t>(bufferSize) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr || found->pw_dir == nullptr) {
    return {};
  }
  return found->pw_dir;
}

// $variable when it is an absolute path (a relative one is invalid and must be ignored),
// otherwise the home folder's subfolder.
std::string BaseFolder(const char* variable, const char* inHome) {
  const std::string configured = EnvironmentValue(variable);
  if (!configured.empty() && configured.front() == '/') {
    return WithTrailingSlash(configured);
  }
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : home + inHome;
}

std::string PrivateFolderIn(const std::string& base, const std::string& name) {
  if (base.empty()) {
    return {};
  }
  const std::string folder = base + name + "/";
  std::error_code error;
  std::filesystem::create_directories(base, error);
  // Only its owner may look in: it holds the password, the log and the favorites' snapshots.
  ::mkdir(folder.c_str(), 0700);
  return std::filesystem::is_directory(folder, error) ? folder : std::string();
}

}  // namespace

std::string ExecutablePath() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

std::string HomeFolder() {
  std::string home = EnvironmentValue("HOME");
  if (home.empty() || home.front() != '/') {
    home = HomeFromPasswordDatabase();
  }
  return WithTrailingSlash(home);
}

std::string UserConfigFolder() {
  return BaseFolder("XDG_CONFIG_HOME", ".config/");
}

std::string UserStateFolder() {
  return BaseFolder("XDG_STATE_HOME", ".local/state/");
}

std::string UserProgramFolder(const std::string& name) {
  return PrivateFolderIn(UserConfigFolder(), name);
}

std::string UserStateProgramFolder(const std::string& name) {
  return PrivateFolderIn(UserStateFolder(), name);
}

}  // namespace kestrin
