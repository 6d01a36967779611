// The user's Favorites folder on Linux: ~/Favorites.

#include <sys/stat.h>

#include <cerrno>

#include "favorites/favorites_path.h"
#include "platform/program_folder.h"

namespace kestrin {

std::string GetFavoritesFolder() {
  std::string home = HomeFolder();
  if (home.empty() || home.front() != '/') {
    return {};
  }
  if (home.back() != '/') {
    home += '/';
  }
  std::string folder = home + "Favorites/";
  // The user may have made ~/Favorites a link to a folder elsewhere: that is followed here
  // (links inside the Favorites folder are not: see the scanner).
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) {
    if (errno != ENOENT || ::mkdir(folder.c_str(), 0755) != 0) {
      return {};
    }
    if (::stat(folder.c_str(), &info) != 0) {
      return {};
    }
  }
  if (!S_ISDIR(info.st_mode)) {
    return {};
  }
  return folder;
}

}  // namespace kestrin
