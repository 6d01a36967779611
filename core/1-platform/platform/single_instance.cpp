#include "platform/single_instance.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/program_folder.h"

namespace kestrin {
namespace {

// In a folder of the user's own: in a shared one another user could take the name first
// and keep the program from ever starting.
std::string LockFilePath(const std::string& programName) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    return std::string(runtime) + "/" + programName + ".lock";
  }
  const std::string folder = UserStateProgramFolder(programName);
  return folder.empty() ? std::string() : folder + programName + ".lock";
}

}  // namespace

SingleInstanceLock::SingleInstanceLock(const std::string& programName) {
  // O_NOFOLLOW: a link in the lock file's place is none of ours.
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
