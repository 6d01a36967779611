#pragma once

#include <string>
#include <vector>

#include "platform/single_instance.h"

namespace kestrin::desktop {

// What every start of a desktop program does before it makes a window: at most one program
// runs for the user, and files an older version kept beside the executable move to where
// they belong. Held for the program's life.
class ProgramStart {
 public:
  ProgramStart();

  // The caller then only asks the running program to show its window, and ends.
  bool anotherInstanceRuns() const { return lock_.anotherInstanceRuns(); }
  // What moving the files said, one line each, for the program's error output.
  const std::vector<std::string>& movedFilesReport() const { return moved_; }

 private:
  SingleInstanceLock lock_;
  std::vector<std::string> moved_;
};

}  // namespace kestrin::desktop
