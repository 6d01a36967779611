#pragma once

#include <string>
#include <string_view>

namespace kestrin {

// The Favorites folder on this system with a trailing "/", created when missing; empty
// text when it cannot be found or created (callers refuse to scan or apply then).
std::string GetFavoritesFolder();

// FavoritesRoot (ending in "/") joined with a data-file relative path whose separators are
// backslashes: "Links\Work\" becomes "<root>Links/Work/".
std::string LocalPathOf(std::string_view favoritesRoot, std::string_view relativePath);

}  // namespace kestrin
