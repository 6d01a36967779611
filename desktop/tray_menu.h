#pragma once

#include <string>
#include <vector>

#include "desktop/commands.h"

namespace kestrin::desktop {

enum class TrayCommand { Favorites, Sync, Undo, ShowHide, ViewLog, Help, About, Exit };

struct TrayMenuEntry {
  TrayCommand command;
  std::string caption;  // the Favorites entry is a sub-menu (desktop/favorites_menu.h)
  bool enabled;
  bool separatorAfter;
};

// The tray menu as it opens: "Show" or "Hide" names what that entry will do with the window.
std::vector<TrayMenuEntry> TrayMenuEntries(bool windowVisible, const CommandStates& commands);

// The Show/Hide entry's caption while the window is visible or hidden.
std::string ShowHideCaption(bool windowVisible);

}  // namespace kestrin::desktop
