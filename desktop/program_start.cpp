#include "desktop/program_start.h"

#include "platform/program_folder.h"
#include "settings/program_files.h"

namespace kestrin::desktop {

ProgramStart::ProgramStart() : lock_(kProgramName) {
  if (!lock_.anotherInstanceRuns()) {
    moved_ = MoveFilesFromExecutableFolder();
  }
}

}  // namespace kestrin::desktop
