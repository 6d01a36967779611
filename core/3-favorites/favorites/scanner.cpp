// Favorites scanner: one record per folder and Internet shortcut below the
// Favorites folder, depth first in the order in which the file system delivers the entries.

#include "favorites/scanner.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "favorites/data_file.h"
#include "favorites/favorites_path.h"
#include "favorites/record_rule.h"
#include "favorites/shortcut_file.h"

namespace kestrin {
namespace {

constexpr std::size_t kMaxShortcutBytes = 1 << 22;  // read no more of a huge file than this

// The whole file, read once; empty when it cannot be read (the record then has empty keys,
// as the private-profile read gives for a file it cannot open). `expectedSize` is the size
// the file was found with: once that much is read no second read looks for the end.
std::string ReadShortcutFile(int folderFd, const char* name, std::size_t expectedSize) {
  std::string bytes;
  const int fd = ::openat(folderFd, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) {
    return bytes;
  }
  const std::size_t wanted = std::min(expectedSize, kMaxShortcutBytes);
  char buffer[1 << 14];
  while (bytes.size() < kMaxShortcutBytes && (bytes.size() < wanted || wanted == 0)) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return bytes;
}

class Scanner {
 public:
  Scanner(std::ostream& out, const ScanOptions& options, std::size_t rootSize, dev_t rootDevice)
      : out_(out), options_(options), rootSize_(rootSize), rootDevice_(rootDevice) {}

  // `folder` is absolute and ends with "/"; `relative` is its data-file path with a trailing
  // backslash, empty for the root.
  void ScanFolder(const std::string& folder, const std::string& relative) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
      return;  // no records below this folder's own record
    }
    while (const dirent* entry = ::readdir(dir)) {
      VisitEntry(folder, relative, ::dirfd(dir), entry);
      if (options_.yield) {
        options_.yield();
      }
    }
    ::closedir(dir);
  }

 private:
  // `path` is absolute; the warning names it relative to the Favorites folder.
  void Warn(const std::string& path, const std::string& why) {
    if (options_.warn) {
      options_.warn(path.substr(rootSize_) + ": " + why);
    }
  }

  // The entry is looked at through its folder's descriptor: a path from the root would be
  // walked again for every file.
  void VisitEntry(const std::string& folder, const std::string& relative, int folderFd,
                  const dirent* entry) {
    const std::string name = entry->d_name;
    if (name.empty() || name == "." || name == "..") {
      return;
    }
    const bool shortcutName = HasShortcutName(name);
    if (entry->d_type == DT_REG && !shortcutName) {
      return;  // a plain file of another name: skipped without a look at it
    }
    const std::string full = folder + name;
    struct stat info {};
    if (::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
      return;  // removed meanwhile
    }
    const bool isFolder = S_ISDIR(info.st_mode);
    if (S_ISLNK(info.st_mode)) {
      // Links are never followed. Those that would have given a record are reported.
      struct stat target {};
      if (shortcutName || (::stat(full.c_str(), &target) == 0 && S_ISDIR(target.st_mode))) {
        Warn(full, "symbolic links are not followed");
      }
      return;
    }
    if (!isFolder && !shortcutName) {
      return;
    }
    if (info.st_dev != rootDevice_) {
      // A disk or share mounted here is not the user's favorites: other computers would
      // copy it, and a run that removes the folder would empty it.
      Warn(full, "it is on another file system");
      return;
    }
    if (!isFolder && !S_ISREG(info.st_mode)) {
      Warn(full, "it is not a regular file");
      return;
    }
    if (name.find('\\') != std::string::npos) {
      Warn(full, "its name holds a backslash, which the favorites data file cannot carry");
      return;
    }
    if (!options_.encode && name.find('"') != std::string::npos) {
      Warn(full,
           "its name holds a double quote, which the favorites data file can carry only with "
           "encryption on");
      return;
    }

    const std::string modified =
        FormatGeneralDate(FileTimeToDate(info.st_mtime), options_.dateFormat);
    if (isFolder) {
      const std::string path = relative + name;
      const FavoriteRecord record{modified, path, "", "", "", "", "D"};
      if (Carried(full, record)) {
        WriteFavoriteRecord(out_, record, options_.encode);
        ScanFolder(full + "/", path + "\\");
      }
      return;
    }

    const ShortcutValues values = ValuesOf(full, folderFd, entry->d_name, info);
    for (const std::string* value : {&values.URL, &values.IconFile, &values.IconIndex}) {
      if (!options_.encode && value->find('"') != std::string::npos) {
        Warn(full,
             "a value holds a double quote, which the favorites data file can carry only with "
             "encryption on");
        return;
      }
    }
    const FavoriteRecord record{modified,        relative,         name, values.URL,
                                values.IconFile, values.IconIndex, "F"};
    if (Carried(full, record)) {
      WriteFavoriteRecord(out_, record, options_.encode);
    }
  }

  ShortcutValues ValuesOf(const std::string& path, int folderFd, const char* name,
                          const struct stat& info) {
    const auto read = [&] {
      return ParseShortcutFile(
          ReadShortcutFile(folderFd, name, static_cast<std::size_t>(info.st_size)));
    };
    if (options_.cache == nullptr) {
      return read();
    }
    const std::string_view relative = std::string_view(path).substr(rootSize_);
    const FileIdentity identity = FileIdentity::Of(info);
    std::optional<ShortcutValues> values = options_.cache->Find(relative, identity);
    if (!values) {
      values = read();
    }
    options_.cache->Remember(relative, identity, *values);
    return std::move(*values);
  }

  // Whether every computer takes the record (otherwise one odd entry here would make all
  // the others refuse the shared list); a warning says why not.
  bool Carried(const std::string& path, const FavoriteRecord& record) {
    const Result<> checked = CheckRecord(record);
    if (!checked) {
      Warn(path, checked.error());
    }
    return checked.ok();
  }

  std::ostream& out_;
  const ScanOptions& options_;
  const std::size_t rootSize_;
  const dev_t rootDevice_;
};

}  // namespace

void ScanFavoritesFolder(const std::string& favoritesRoot, std::ostream& out,
                         const ScanOptions& options) {
  // Never the file system's root, never a relative path: without a Favorites folder there
  // is nothing to scan.
  if (favoritesRoot.empty() || favoritesRoot.front() != '/' ||
      favoritesRoot.find_first_not_of('/') == std::string::npos) {
    if (options.warn) {
      options.warn("\"" + favoritesRoot + "\": not a Favorites folder to scan");
    }
    return;
  }
  std::string root = favoritesRoot;
  if (root.back() != '/') {
    root += '/';
  }
  struct stat rootInfo {};
  if (::stat(root.c_str(), &rootInfo) != 0) {
    return;  // nothing to enumerate
  }
  Scanner(out, options, root.size(), rootInfo.st_dev).ScanFolder(root, "");
}

}  // namespace kestrin
