#pragma once

#include <chrono>
#include <string>

#include "sync/sync_run.h"

class QWidget;

namespace kestrin::ui {

// The run environment of the desktop program: waits keep the window system running, the
// change confirmation is frmProcess, dates and numbers follow the user's locale.
SyncEnvironment DesktopEnvironment(RunDisplay& display, const std::string& settingsPath,
                                   const std::string& favoritesRoot, QWidget* dialogParent,
                                   std::chrono::milliseconds dialogTickPeriod);

}  // namespace kestrin::ui
