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

  // False when another instance of the program already runs for this user.
  bool acquired() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace kestrin
