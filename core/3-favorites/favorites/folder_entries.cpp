// The entries of a folder below the Favorites folder, as the scanner and the tray's menu
// see them.

#include "favorites/folder_entries.h"

#include "favorites/record_rule.h"
#include "platform/posix_files.h"

namespace kestrin {
namespace {

std::optional<EntryKind> KindOf(const std::string& full, bool shortcutName, dev_t device,
                                const struct stat& info) {
  const bool isFolder = S_ISDIR(info.st_mode);
  if (S_ISLNK(info.st_mode)) {
    // Only the links that would have given a record are worth a word.
    struct stat target {};
    if (shortcutName || (stat(full.c_str(), &target) == 0 && S_ISDIR(target.st_mode))) {
      return EntryKind::Link;
    }
    return std::nullopt;
  }
  if (!isFolder && !shortcutName) {
    return std::nullopt;
  }
  if (info.st_dev != device) {
    return EntryKind::OtherFileSystem;
  }
  if (!isFolder && !S_ISREG(info.st_mode)) {
    return EntryKind::NotRegularFile;
  }
  return isFolder ? EntryKind::Folder : EntryKind::Shortcut;
}

}  // namespace

FileIdentity FileIdentity::Of(const struct stat& info) {
  return {static_cast<std::uint64_t>(info.st_dev),
          static_cast<std::uint64_t>(info.st_ino),
          static_cast<std::uint64_t>(info.st_size),
          info.st_mtim.tv_sec,
          info.st_mtim.tv_nsec,
          info.st_ctim.tv_sec,
          info.st_ctim.tv_nsec};
}

std::optional<dev_t> FileSystemOf(const std::string& favoritesRoot) {
  struct stat info {};
  if (stat(favoritesRoot.c_str(), &info) != 0) {
    return std::nullopt;
  }
  return info.st_dev;
}

void VisitFolderEntries(const std::string& folder, dev_t device,
                        const std::function<void(const FolderEntry&)>& visit) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) {
    return;
  }
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.empty() || name == "." || name == "..") {
      continue;
    }
    const bool shortcutName = HasShortcutName(name);
    if (entry->d_type == DT_REG && !shortcutName) {
      continue;  // a plain file of another name: skipped without a look at it
    }
    const std::string full = folder + name;
    struct stat info {};
    if (EntryStatus(dir, folder, name, &info) != 0) {
      continue;  // removed meanwhile
    }
    if (const std::optional<EntryKind> kind = KindOf(full, shortcutName, device, info)) {
      visit({name, *kind, info.st_mtime, FileIdentity::Of(info)});
    }
  }
  closedir(dir);
}

}  // namespace kestrin
