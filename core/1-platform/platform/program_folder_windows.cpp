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

std::string UserConfigFolder() {
  return KnownFolder(FOLDERID_RoamingAppData);
}

std::string UserStateFolder() {
  return UserConfigFolder();
}

// A copy kept in a folder the user may write (a USB stick, a folder of one's own) keeps its
// files beside it, so that they travel with it; an installed copy keeps them in %APPDATA%.
std::string UserProgramFolder(const std::string& name) {
  const std::string executable = ExecutablePath();
  const std::string beside = executable.substr(0, executable.rfind('/') + 1);
  // Only a file made there tells: the folder's access list, not its attributes, decides.
  // Named for this process, so that two starting together do not take each other's probe.
  const std::string probeName =
      beside + "kestrin-write-probe-" + std::to_string(GetCurrentProcessId()) + ".tmp";
  const HANDLE probe =
      beside.empty()
          ? INVALID_HANDLE_VALUE
          : CreateFileW(NativePath(probeName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    return beside;
  }
  return ProgramFolderIn(UserConfigFolder(), name);
}

std::string UserStateProgramFolder(const std::string& name) {
  return UserProgramFolder(name);
}

}  // namespace kestrin
