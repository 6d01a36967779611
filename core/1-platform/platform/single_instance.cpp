#include "platform/single_instance.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kestrin {
namespace {

std::string LockFilePath(const std::string& programName) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    return std::string(runtime) + "/" + programName + ".lock";
  }
  return "/tmp/" + programName + "-" + std::to_string(::getuid()) + ".lock";
}

}  // namespace

SingleInstanceLock::SingleInstanceLock(const std::string& programName) {
  // O_NOFOLLOW: in a shared /tmp another user could plant a link to one of our files.
  const int fd =
      ::open(LockFilePath(programName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    return;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    heldElsewhere_ = errno == EWOULDBLOCK;
    ::close(fd);
    return;
  }
  fd_ = fd;
}

SingleInstanceLock::~SingleInstanceLock() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

}  // namespace kestrin
