#include "desktop/tray_menu.h"

namespace kestrin::desktop {

std::string ShowHideCaption(bool windowVisible) {
  return windowVisible ? "Hide" : "Show";
}

std::vector<TrayMenuEntry> TrayMenuEntries(bool windowVisible, const CommandStates& commands) {
  const bool on = commands.trayMenu;
  return {{TrayCommand::Favorites, "Favorites", on, true},
          {TrayCommand::Sync, "Sync Now!", on, false},
          {TrayCommand::Undo, "Undo Last Sync", commands.undo, false},
          {TrayCommand::ShowHide, ShowHideCaption(windowVisible), on, false},
          {TrayCommand::ViewLog, "View Log", on, true},
          {TrayCommand::Help, "Help", on, false},
          {TrayCommand::About, "About", on, true},
          {TrayCommand::Exit, "Exit", on, false}};
}

}  // namespace kestrin::desktop
