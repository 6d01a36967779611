// A contained folder on Linux: a descriptor opened without following links, and every
// call relative to it.

#include <cerrno>
#include <cstring>

#include "platform/contained_folder.h"
#include "platform/folder_entries.h"

namespace kestrin {

struct ContainedFolder::Handle {
  explicit Handle(int descriptor) : fd(descriptor) {}
  ~Handle() { close(fd); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  const int fd;
};

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

}  // namespace

Result<ContainedFolder> ContainedFolder::Open(const std::string& path) {
  const int fd = open(path.c_str(), kFolderFlags);
  if (fd < 0) {
    return Result<ContainedFolder>::Fail("cannot open " + path + ": " + std::strerror(errno));
  }
  return Result<ContainedFolder>::Ok(
      {path.ends_with('/') ? path : path + "/", std::make_shared<const Handle>(fd)});
}

Result<ContainedFolder, BlockedWay> ContainedFolder::Step(const std::string& name) const {
  using Outcome = Result<ContainedFolder, BlockedWay>;
  const int fd = openat(handle_->fd, name.c_str(), kFolderFlags | O_NOFOLLOW);
  if (fd >= 0) {
    return Outcome::Ok({path_ + name + "/", std::make_shared<const Handle>(fd)});
  }
  const int why = errno;
  struct stat info;
  if (why == ENOENT) {
    return Outcome::Fail(BlockedWay::Missing);
  }
  if (Status(name, &info) == 0) {
    return Outcome::Fail(S_ISLNK(info.st_mode)   ? BlockedWay::Link
                         : S_ISDIR(info.st_mode) ? BlockedWay::Refused
                                                 : BlockedWay::NotFolder);
  }
  return Outcome::Fail(errno == ENOENT ? BlockedWay::Missing : BlockedWay::Refused);
}

int ContainedFolder::MakeFolder(const std::string& name) const {
  if (!IsPlainName(name)) {
    return RefuseName();
  }
  return mkdirat(handle_->fd, name.c_str(), 0755);
}

int ContainedFolder::OwnStatus(struct stat* info) const {
  return fstat(handle_->fd, info);
}

int ContainedFolder::Status(const std::string& name, struct stat* info) const {
  if (!IsPlainName(name)) {
    return RefuseName();
  }
  return fstatat(handle_->fd, name.c_str(), info, AT_SYMLINK_NOFOLLOW);
}

int ContainedFolder::OpenFile(const std::string& name, int flags, int mode) const {
  if (!IsPlainName(name)) {
    return RefuseName();
  }
  return openat(handle_->fd, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
}

int ContainedFolder::RemoveFile(const std::string& name) const {
  if (!IsPlainName(name)) {
    return RefuseName();
  }
  return unlinkat(handle_->fd, name.c_str(), 0);
}

int ContainedFolder::RemoveFolder(const std::string& name) const {
  if (!IsPlainName(name)) {
    return RefuseName();
  }
  return unlinkat(handle_->fd, name.c_str(), AT_REMOVEDIR);
}

std::vector<std::string> ContainedFolder::Entries() const {
  // A description of its own: the listing starts at the beginning whatever read before.
  const int fd = openat(handle_->fd, ".", kFolderFlags);
  DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
  if (dir == nullptr && fd >= 0) {
    close(fd);
  }
  return FolderEntries(dir);
}

}  // namespace kestrin
