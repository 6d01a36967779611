#include "win32/tray_menu.h"

#include "desktop/favorites_menu.h"
#include "platform/wide_text.h"
#include "win32/control_ids.h"
#include "win32/menus.h"

namespace kestrin::win32 {

namespace {

// Ids above every control's, one per favorite of the open menu.
constexpr int kFirstFavoriteId = 10000;

int IdOf(desktop::TrayCommand command) {
  using desktop::TrayCommand;
  switch (command) {
    case TrayCommand::Sync:
      return mnuTRAY_Sync;
    case TrayCommand::Undo:
      return mnuTRAY_Undo;
    case TrayCommand::ShowHide:
      return mnuTRAY_Show;
    case TrayCommand::ViewLog:
      return mnuTRAY_ViewLog;
    case TrayCommand::Help:
      return mnuTRAY_Help;
    case TrayCommand::About:
      return mnuTRAY_About;
    case TrayCommand::Exit:
      return mnuTRAY_Exit;
    case TrayCommand::Favorites:
      break;
  }
  return 0;
}

// Titles as Explorer lists names in the user's language: case aside, numbers by value.
int TitleOrder(const std::string& a, const std::string& b) {
  const std::wstring x = WideFromUtf8(a);
  const std::wstring y = WideFromUtf8(b);
  const int order =
      CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE | SORT_DIGITSASNUMBERS, x.c_str(),
                      int(x.size()), y.c_str(), int(y.size()), nullptr, nullptr, 0);
  return order == 0 ? a.compare(b) : order - CSTR_EQUAL;
}

UINT Enabled(bool enabled) {
  return enabled ? MF_ENABLED : MF_GRAYED;
}

}  // namespace

HMENU TrayMenu::FolderMenu(const std::string& folder) {
  HMENU menu = CreatePopupMenu();
  unreadFolders_[menu] = folder;
  return menu;
}

int TrayMenu::Open(HWND window, const std::vector<desktop::TrayMenuEntry>& entries) {
  unreadFolders_.clear();
  favoriteTargets_.clear();
  HMENU menu = CreatePopupMenu();
  for (const desktop::TrayMenuEntry& entry : entries) {
    const std::wstring caption = MenuCaption(entry.caption, true);
    if (entry.command == desktop::TrayCommand::Favorites) {
      AppendMenuW(menu, MF_POPUP | Enabled(entry.enabled),
                  reinterpret_cast<UINT_PTR>(FolderMenu(favoritesRoot_)), caption.c_str());
    } else {
      AppendMenuW(menu, MF_STRING | Enabled(entry.enabled), IdOf(entry.command), caption.c_str());
    }
    if (entry.separatorAfter) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    }
  }
  // The menu closes when the user clicks elsewhere only if its window is in the foreground.
  SetForegroundWindow(window);
  POINT at{};
  GetCursorPos(&at);
  const int chosen =
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
  PostMessageW(window, WM_NULL, 0, 0);
  DestroyMenu(menu);  // with its sub-menus
  unreadFolders_.clear();
  return chosen;
}

bool TrayMenu::FillOnOpening(HMENU menu) {
  const auto unread = unreadFolders_.find(menu);
  if (unread == unreadFolders_.end()) {
    return false;
  }
  const std::string folder = unread->second;
  unreadFolders_.erase(unread);
  using Kind = desktop::FavoritesMenuEntry::Kind;
  for (const desktop::FavoritesMenuEntry& entry :
       desktop::ReadFavoritesMenu(folder, favoritesRoot_, TitleOrder)) {
    const std::wstring caption = MenuCaption(entry.title, false);
    if (entry.kind == Kind::Folder) {
      AppendMenuW(menu, MF_POPUP | Enabled(entry.enabled),
                  reinterpret_cast<UINT_PTR>(FolderMenu(entry.target)), caption.c_str());
    } else if (entry.kind == Kind::Empty) {
      AppendMenuW(menu, MF_STRING | MF_GRAYED, 0, caption.c_str());
    } else {
      favoriteTargets_.push_back(entry.target);
      AppendMenuW(menu, MF_STRING | Enabled(entry.enabled),
                  kFirstFavoriteId + favoriteTargets_.size() - 1, caption.c_str());
    }
  }
  return true;
}

std::optional<std::string> TrayMenu::FavoriteOf(int id) const {
  const std::size_t index = std::size_t(id - kFirstFavoriteId);
  if (id < kFirstFavoriteId || index >= favoriteTargets_.size()) {
    return std::nullopt;
  }
  return favoriteTargets_[index];
}

}  // namespace kestrin::win32
