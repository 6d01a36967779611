#pragma once

#include <cstddef>
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

// The entries of `folder` (a folder path ending in "/" inside `favoritesRoot`) as a file
// manager lists them: folders first, then by name, case-insensitively and with numbers in
// their numeric order; a shortcut's title is its name without extension. Read when the menu
// is about to show; the front end reads it again once the folder changed or a run ended.
std::vector<FavoritesMenuEntry> ReadFavoritesMenu(const std::string& folder,
                                                  const std::string& favoritesRoot);

}  // namespace kestrin::desktop
