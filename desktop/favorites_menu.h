#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kestrin::desktop {

// One entry of the tray's Favorites menu, a mirror of one folder of the Favorites folder.
struct FavoritesMenuEntry {
  enum class Kind {
    Folder,    // a sub-menu for `target`, a folder path ending in "/"
    Shortcut,  // opens `target`, the shortcut's URL; disabled when it is no web or file link
    More,      // "… N more": opens the folder `target` itself
    Empty,     // "(Empty)", disabled
  };
  Kind kind;
  std::string title;   // printable; a front end that reads "&" as a mnemonic doubles it
  std::string target;  // also the entry's tooltip
  bool enabled;
};

// A menu shows at most this many entries: no one scrolls through ten thousand in a menu,
// and reading and laying them out would take a while.
inline constexpr std::size_t kMaxFavoritesMenuEntries = 1000;

// Two titles in the order of the user's language, as the system's file manager lists
// names (case aside, numbers by value): negative, zero or positive. Each front end asks its
// own system, which knows the language; the layer does not.
using TitleOrder = std::function<int(const std::string&, const std::string&)>;

// The entries of `folder` (a folder path ending in "/" inside `favoritesRoot`): folders
// first, then by title in `order`; a shortcut's title is its name without extension. Read
// when the menu is about to show; the front end reads it again once the folder changed or a
// run ended.
std::vector<FavoritesMenuEntry> ReadFavoritesMenu(const std::string& folder,
                                                  const std::string& favoritesRoot,
                                                  const TitleOrder& order);

}  // namespace kestrin::desktop
