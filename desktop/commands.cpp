#include "desktop/commands.h"

namespace kestrin::desktop {

CommandStates CommandsFor(bool running, bool restorePoint) {
  return {.sync = !running,
          .importBookmarks = !running,
          .undo = !running && restorePoint,
          .exit = !running,
          .trayMenu = !running,
          .settingsPages = !running};
}

}  // namespace kestrin::desktop
