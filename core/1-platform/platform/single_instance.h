#pragma once

#include <string>

namespace kestrin {

// Held for the life of the first instance of a program for this user. The lock belongs to
// the process, so one left by a crashed instance does not block the next start.
class SingleInstanceLock {
 public:
  explicit SingleInstanceLock(const std::string& programName);
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // True only when another instance of the program holds the lock. A lock file that cannot
  // be opened says nothing about other instances, and refusing to start then would leave
  // the user with no way to run the program at all.
  bool anotherInstanceRuns() const { return heldElsewhere_; }

 private:
#ifdef _WIN32
  void* handle_ = nullptr;  // the named mutex
#else
  int fd_ = -1;
#endif
  bool heldElsewhere_ = false;
};

}  // namespace kestrin
