#pragma once

#include "win32/windows_api.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "desktop/tray_menu.h"

namespace kestrin::win32 {

// mnuTRAY, made afresh from the entries each time it opens at the pointer. Its Favorites
// entry mirrors the Favorites folder: each sub-menu reads its folder when it first opens.
class TrayMenu {
 public:
  explicit TrayMenu(std::string favoritesRoot) : favoritesRoot_(std::move(favoritesRoot)) {}

  // Opens the menu at the pointer for `window` and returns the control id chosen, 0 for
  // none. A favorite chosen has an id that FavoriteOf knows.
  int Open(HWND window, const std::vector<desktop::TrayMenuEntry>& entries);
  // WM_INITMENUPOPUP while the menu is open: fills a Favorites sub-menu; false for any
  // other menu.
  bool FillOnOpening(HMENU menu);
  std::optional<std::string> FavoriteOf(int id) const;

 private:
  HMENU FolderMenu(const std::string& folder);

  std::string favoritesRoot_;
  std::map<HMENU, std::string> unreadFolders_;
  std::vector<std::string> favoriteTargets_;  // of the menu last opened, by id
};

}  // namespace kestrin::win32
