#pragma once

#include <cstddef>
#include <string>

#include "favorites/favorite_record.h"

namespace kestrin::bench {

// A list of `count` shortcut records in nested folders, named with blanks and non-ASCII
// letters, an icon on every fifth, as a scan of a real Favorites folder would give.
FavoritesDataFile GeneratedList(std::size_t count, const std::string& computerName);

// The same list as another computer sees it after 1 % of the shortcuts changed there:
// every 200th has a new URL and a later date, every 200th (offset 100) was replaced by a
// shortcut of another name.
FavoritesDataFile WithOnePercentChanged(const FavoritesDataFile& list,
                                        const std::string& computerName);

// Writes the shortcuts of `list` as files below `root` (created); the folders as they come.
void WriteTree(const FavoritesDataFile& list, const std::string& root);

}  // namespace kestrin::bench
