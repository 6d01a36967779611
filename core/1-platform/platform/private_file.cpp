#include "platform/private_file.h"

#include <cerrno>

#include "platform/posix_files.h"

namespace kestrin {
namespace {

constexpr mode_t kOwnerOnly = 0600;
constexpr mode_t kGroupAndOthers = 077;

// Closes the descriptor when the scope ends.
class OpenFile {
 public:
  OpenFile(const std::string& path, int flags) : fd_(open(path.c_str(), flags, kOwnerOnly)) {}
  ~OpenFile() {
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  int fd() const { return fd_; }

  // The file's status when it is open and a regular file.
  bool IsRegular(struct stat& status) const {
    return fd_ >= 0 && fstat(fd_, &status) == 0 && S_ISREG(status.st_mode);
  }

  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

Result<> CannotWrite(const std::string& path) {
  return Result<>::Fail("cannot write " + path);
}

}  // namespace

Result<> EmptyPrivateFile(const std::string& path) {
  // O_NONBLOCK: a FIFO in the file's place must not hang the program. O_TRUNC only after
  // the check, so that a device or FIFO is never truncated.
  OpenFile file(path, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  struct stat status {};
  if (file.IsRegular(status) && ftruncate(file.fd(), 0) == 0 &&
      fchmod(file.fd(), kOwnerOnly) == 0 && file.Close()) {
    return Result<>::Ok();
  }
  return CannotWrite(path);
}

Result<> AppendToPrivateFile(const std::string& path, std::string_view bytes,
                             std::uintmax_t limit) {
  // O_NONBLOCK: a FIFO in the file's place must not hang the program.
  OpenFile file(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  struct stat status {};
  if (!file.IsRegular(status)) {
    return CannotWrite(path);
  }
  if ((status.st_mode & kGroupAndOthers) != 0) {
    fchmod(file.fd(), kOwnerOnly);
  }
  if ((static_cast<std::uintmax_t>(status.st_size) > limit && ftruncate(file.fd(), 0) != 0) ||
      !WriteAll(file.fd(), bytes) || !file.Close()) {
    return CannotWrite(path);
  }
  return Result<>::Ok();
}

void RestrictToOwner(const std::string& path) {
  const OpenFile file(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  struct stat status {};
  if (file.IsRegular(status) && status.st_uid == geteuid() &&
      (status.st_mode & kGroupAndOthers) != 0) {
    fchmod(file.fd(), status.st_mode & S_IRWXU);
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace kestrin
