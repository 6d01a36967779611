// Data-file paths on this file system.

#include "favorites/favorites_path.h"

namespace kestrin {

std::string LocalPathOf(std::string_view favoritesRoot, std::string_view relativePath) {
  std::string result;
  result.reserve(favoritesRoot.size() + relativePath.size());
  result += favoritesRoot;
  for (char c : relativePath) {
    result += c == '\\' ? '/' : c;
  }
  return result;
}

}  // namespace kestrin
