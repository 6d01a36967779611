#pragma once

#include <string>

#include "bookmarks/bookmark_tree.h"

namespace kestrin {

// The Favorites folder (absolute, ending in "/") as bookmarks: its folders, each before its
// shortcuts, both sorted by name; a shortcut titled by its file name without ".url", with
// the URL it holds and its modification time. Links are never followed, a file system
// mounted inside is left out, and so is what lies deeper than kMaxBookmarkDepth folders
// and a shortcut without a URL, each named in `leftOut`.
Bookmarks ReadFavoritesTree(const std::string& favoritesRoot);

}  // namespace kestrin
