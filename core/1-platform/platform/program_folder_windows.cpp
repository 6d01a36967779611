#include "platform/program_folder.h"

// windows.h comes first: the other system headers need its types.
#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <filesystem>

#include "platform/native_path.h"

namespace kestrin {
namespace {

std::string KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  const HRESULT found = SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path);
  std::string folder = SUCCEEDED(found) ? CorePath(path) : std::string();
  CoTaskMemFree(path);
  if (!folder.empty() && folder.back() != '/') {
    folder += '/';
  }
  return folder;
}

// Windows gives each user a folder of their own below the profile: no permissions to set.
std::string ProgramFolderIn(const std::string& base, const std::string& name) {
  if (base.empty()) {
    return {};
  }
  const std::string folder = base + name + "/";
  std::error_code error;
  std::filesystem::create_directories(NativePath(folder), error);
  return std::filesystem::is_directory(NativePath(folder), error) ? folder : std::string();
}

}  // namespace

std::string ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      return {};
    }
    if (length < path.size()) {
      path.resize(length);
      return CorePath(path);
    }
    path.resize(path.size() * 2);
  }
}

std::string HomeFolder() {
  return KnownFolder(FOLDERID_Profile);
}

// Settings roam with the user's profile; the log and the working files stay on this computer.
std::string UserConfigFolder() {
  return KnownFolder(FOLDERID_RoamingAppData);
}

std::string UserStateFolder() {
  return KnownFolder(FOLDERID_LocalAppData);
}

std::string UserProgramFolder(const std::string& name) {
  return ProgramFolderIn(UserConfigFolder(), name);
}

std::string UserStateProgramFolder(const std::string& name) {
  return ProgramFolderIn(UserStateFolder(), name);
}

}  // namespace kestrin
