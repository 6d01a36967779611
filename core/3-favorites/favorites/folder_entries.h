#pragma once

#include <sys/types.h>

#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace kestrin {

// What an entry of the Favorites folder is to the program. Links are never followed, and a
// file system mounted inside is not the user's favorites.
enum class EntryKind {
  Folder,
  Shortcut,         // a regular file with a shortcut name
  Link,             // a symbolic link to a folder, or one with a shortcut name
  OtherFileSystem,  // a folder or shortcut name on another file system
  NotRegularFile,   // a shortcut name on a device, pipe or socket
};

struct FolderEntry {
  std::string name;
  EntryKind kind;
  std::time_t modified;
};

// The file system that `favoritesRoot` is on; nothing when it cannot be looked at.
std::optional<dev_t> FileSystemOf(const std::string& favoritesRoot);

// Calls `visit` for each entry of `folder` (absolute, ending in "/") that is, or would be
// without the rules above, a folder or a shortcut, in the order in which the file system
// delivers them; `device` is the Favorites folder's file system. Other entries are passed
// over without a look at them.
void VisitFolderEntries(const std::string& folder, dev_t device,
                        const std::function<void(const FolderEntry&)>& visit);

}  // namespace kestrin
