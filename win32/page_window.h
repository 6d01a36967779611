#pragma once

#include "win32/windows_api.h"

namespace kestrin::win32 {

// A page of the tab strip (fraMain): a borderless pane over the tab strip's body that
// holds one page's controls and hands their notifications to the main window, as if the
// controls were its own.
HWND CreatePageWindow(HWND mainWindow, int id);

}  // namespace kestrin::win32
