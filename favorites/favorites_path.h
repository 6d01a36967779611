#pragma once

#include <string>
#include <string_view>

namespace kestrin {

// Appends "\" unless the text already ends with one; empty text becomes "\".
// The data file's paths use the backslash whatever the platform.
std::string AddBackslash(std::string_view path);

// The text up to, not including, its first NUL.
std::string TrimAtNul(std::string_view text);

// The Favorites folder on this system with a trailing "/", created when missing; empty
// text when it cannot be found or created (callers refuse to scan or apply then).
std::string GetFavoritesFolder();

// FavoritesRoot (ending in "/") joined with a data-file relative path whose separators are
// backslashes: "Links\Work\" becomes "<root>Links/Work/".
std::string LocalPathOf(std::string_view favoritesRoot, std::string_view relativePath);

}  // namespace kestrin
