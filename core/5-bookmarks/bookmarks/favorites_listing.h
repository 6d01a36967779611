#pragma once

#include <map>
#include <string>
#include <utility>

namespace kestrin {

struct ListedEntry {
  bool folder = false;
  std::string url;  // a shortcut's URL as read back; empty for a folder
};

// Every folder and shortcut below the Favorites folder (absolute, ending in "/") by its
// path below it, "/"-separated without a trailing "/": "Links/Work/News.url". Links are
// never followed, other file systems and what lies deeper than kMaxBookmarkDepth folders are
// left out, and so are names that are not UTF-8 (no browser title can carry them).
using FavoritesListing = std::map<std::string, ListedEntry>;
FavoritesListing ListFavorites(const std::string& favoritesRoot);

// "parent/name", or "name" in the Favorites folder itself (an empty parent).
std::string JoinPlace(const std::string& parent, const std::string& name);
// A place's parent (empty for the Favorites folder itself) and name.
std::pair<std::string, std::string> SplitPlace(const std::string& place);

}  // namespace kestrin
