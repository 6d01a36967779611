#pragma once

namespace kestrin::desktop {

// Which commands the user can reach at the moment. A run must not start twice, must not
// lose its window, and must not see its settings change under it.
struct CommandStates {
  bool sync;             // "Sync Now!" button and File menu item
  bool importBookmarks;  // File → Import Bookmarks…
  bool undo;             // Undo Last Sync, in the File and tray menus
  bool exit;             // File → Exit
  bool trayMenu;         // every entry of the tray menu but Undo (which follows `undo`)
  bool settingsPages;    // the "General Settings" and "FTP Settings" pages
};

// `running`: a run is under way; `restorePoint`: there is a run to undo.
CommandStates CommandsFor(bool running, bool restorePoint);

}  // namespace kestrin::desktop
