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
  // A relative XDG_CONFIG_HOME is invalid and must be ignored.
  const std::string configured = EnvironmentValue("XDG_CONFIG_HOME");
  if (!configured.empty() && configured.front() == '/') {
    return WithTrailingSlash(configured);
  }
  const std::string home = HomeFolder();
  return home.empty() ? std::string() : home + ".config/";
}

std::string ProgramFolder() {
  const std::string executable = ExecutablePath();
  if (!executable.empty()) {
    const std::string folder = executable.substr(0, executable.rfind('/') + 1);
    if (::access(folder.c_str(), W_OK) == 0) {
      return folder;
    }
  }
  return UserProgramFolder(kProgramName);
}

std::string UserProgramFolder(const std::string& name) {
  const std::string config = UserConfigFolder();
  if (config.empty()) {
    return {};
  }
  const std::string folder = config + name + "/";
  std::error_code error;
  std::filesystem::create_directories(config, error);
  // Only its owner may look in: it holds the password and the log.
  ::mkdir(folder.c_str(), 0700);
  return std::filesystem::is_directory(folder, error) ? folder : std::string();
}

}  // namespace kestrin
