#include "sync/shared_folder_state.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/posix_files.h"

namespace kestrin {
namespace {

// FNV-1a: a stable, well-spread name for the folder's identity whatever bytes it holds.
std::uint64_t Fnv1a(const std::string& text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : text) {
    hash = (hash ^ c) * 0x100000001b3ull;
  }
  return hash;
}

std::string Hex(std::uint64_t value) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) {
    text[i] = kHex[value & 0xf];
  }
  return text;
}

// A private folder, or the one already there; a link or a file in its place is refused.
Result<> MakePrivateFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    return Result<>::Fail(path + ": " + std::strerror(errno));
  }
  struct stat info;
  if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    return Result<>::Fail(path + ": not a folder");
  }
  return Result<>::Ok();
}

}  // namespace

std::string SharedFolderStateOf(const std::string& workFolder, const SyncSettings& settings) {
  const std::string identity = std::to_string(settings.Protocol) + '\n' + settings.Server + '\n' +
                               settings.Port + '\n' + settings.Username + '\n' + settings.RemoteDir;
  return workFolder + "shared/" + Hex(Fnv1a(identity)) + "/";
}

Result<> MakeSharedFolderState(const std::string& stateFolder) {
  const std::string folder = stateFolder.substr(0, stateFolder.size() - 1);
  if (const Result<> parent = MakePrivateFolder(folder.substr(0, folder.rfind('/'))); !parent) {
    return parent;
  }
  return MakePrivateFolder(folder);
}

}  // namespace kestrin
