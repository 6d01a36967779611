// The user's Favorites folder on Windows: the one the shell knows, wherever the user put it.

// windows.h comes first: the other system headers need its types.
#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include "favorites/favorites_path.h"
#include "platform/native_path.h"

namespace kestrin {

std::string GetFavoritesFolder() {
  PWSTR path = nullptr;
  const HRESULT found = SHGetKnownFolderPath(FOLDERID_Favorites, KF_FLAG_CREATE, nullptr, &path);
  std::string folder = SUCCEEDED(found) ? CorePath(path) : std::string();
  CoTaskMemFree(path);
  if (folder.empty() || !IsAbsolutePath(folder)) {
    return {};
  }
  return folder.back() == '/' ? folder : folder + '/';
}

}  // namespace kestrin
