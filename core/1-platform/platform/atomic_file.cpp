#include "platform/atomic_file.h"

#include "platform/posix_files.h"
#include "platform/private_file.h"

namespace kestrin {
namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The rename itself is only durable once the folder's entry is on disk.
void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

}  // namespace

Result<> WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t mode,
                             Durability durability) {
  return WriteFileAtomically(path, std::span(&bytes, 1), mode, durability);
}

Result<> WriteFileAtomically(const std::string& path, std::span<const std::string_view> parts,
                             mode_t mode, Durability durability) {
  const bool flushed = durability == Durability::Flushed;
  const Result<> cannotWrite = Result<>::Fail("cannot write " + path);
  if (path.empty()) {
    return cannotWrite;
  }
  std::string temporary = path + ".XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    return cannotWrite;
  }
  bool written = fchmod(fd, mode) == 0;
  for (const std::string_view part : parts) {
    written = written && WriteAll(fd, part);
  }
  written = written && (!flushed || fsync(fd) == 0);
  const bool closed = close(fd) == 0;
  if (!written || !closed || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return cannotWrite;
  }
  if (flushed) {
    SyncFolder(FolderOf(path));
  }
  return Result<>::Ok();
}

}  // namespace kestrin
