#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "platform/posix_files.h"

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

// What tells that a file has not changed since it was read. A file system that numbers no
// files (inode 0) tells nothing: such an identity is never taken for an unchanged file.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedSeconds = 0;
  std::int64_t modifiedNanoseconds = 0;
  std::int64_t changedSeconds = 0;
  std::int64_t changedNanoseconds = 0;

  static FileIdentity Of(const struct stat& info);
  bool operator==(const FileIdentity&) const = default;
};

struct FolderEntry {
  std::string name;
  EntryKind kind;
  std::time_t modified;
  FileIdentity identity;
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
