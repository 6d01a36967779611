// Favorites scanner: one record per folder and Internet shortcut below the
// Favorites folder, depth first in the order in which the file system delivers the entries.

#include "favorites/scanner.h"

#include "favorites/data_file.h"
#include "favorites/favorites_path.h"
#include "favorites/folder_entries.h"
#include "favorites/record_rule.h"
#include "favorites/shortcut_file.h"
#include "favorites/subtrees_listed_ahead.h"
#include "platform/native_path.h"
#include "platform/posix_files.h"
#include "platform/system_text.h"

namespace kestrin {
namespace {

class Scanner {
 public:
  Scanner(std::ostream& out, const ScanOptions& options, std::size_t rootSize, dev_t rootDevice)
      : out_(out), options_(options), rootSize_(rootSize), rootDevice_(rootDevice) {}

  // The Favorites folder (absolute, ending in "/"): its sub-folders are listed from both ends.
  void ScanRoot(const std::string& root) {
    std::vector<FolderEntry> entries;
    std::vector<std::string> folders;
    VisitFolderEntries(root, rootDevice_, [&](const FolderEntry& entry) {
      entries.push_back(entry);
      if (entry.kind == EntryKind::Folder) {
        folders.push_back(root + entry.name + "/");
      }
    });
    SubtreesListedAhead ahead(std::move(folders), rootDevice_);
    std::size_t folder = 0;
    for (const FolderEntry& entry : entries) {
      const std::unique_ptr<ListedFolder> listed =
          entry.kind == EntryKind::Folder ? ahead.Take(folder++) : nullptr;
      VisitEntry(root, "", entry, listed.get());
      Yield();
    }
  }

  std::size_t shortcuts() const { return shortcuts_; }

 private:
  // `folder` is absolute and ends with "/"; `relative` is its data-file path with a trailing
  // backslash. Its entries are listed now unless they were listed ahead.
  void ScanFolder(const std::string& folder, const std::string& relative,
                  const ListedFolder* listed) {
    if (listed != nullptr) {
      for (std::size_t i = 0; i < listed->entries.size(); ++i) {
        VisitEntry(folder, relative, listed->entries[i], listed->folders[i].get());
        Yield();
      }
      return;
    }
    VisitFolderEntries(folder, rootDevice_, [&](const FolderEntry& entry) {
      VisitEntry(folder, relative, entry, nullptr);
      Yield();
    });
  }

  void Yield() {
    if (options_.yield) {
      options_.yield();
    }
  }

  // `path` is absolute; the warning names it relative to the Favorites folder.
  void Warn(const std::string& path, const std::string& why) {
    if (options_.warn) {
      options_.warn(path.substr(rootSize_) + ": " + why);
    }
  }

  // `below`: a folder's entries when they were listed ahead.
  void VisitEntry(const std::string& folder, const std::string& relative, const FolderEntry& entry,
                  const ListedFolder* below) {
    const std::string& name = entry.name;
    const std::string full = folder + name;
    switch (entry.kind) {
      case EntryKind::Link:
        Warn(full, "symbolic links are not followed");
        return;
      case EntryKind::OtherFileSystem:
        // A disk or share mounted here is not the user's favorites: other computers would
        // copy it, and a run that removes the folder would empty it.
        Warn(full, "it is on another file system");
        return;
      case EntryKind::NotRegularFile:
        Warn(full, "it is not a regular file");
        return;
      case EntryKind::Folder:
      case EntryKind::Shortcut:
        break;
    }
    const bool isFolder = entry.kind == EntryKind::Folder;
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
        FormatGeneralDate(FileTimeToDate(entry.modified), options_.dateFormat);
    if (isFolder) {
      const std::string path = relative + name;
      const FavoriteRecord record{modified, path, "", "", "", "", "D"};
      if (Carried(full, record) && Written(full, record)) {
        ScanFolder(full + "/", path + "\\", below);
      }
      return;
    }

    const ShortcutValueViews values = ValuesOf(full, entry.identity);
    for (const std::string_view value : {values.URL, values.IconFile, values.IconIndex}) {
      if (!options_.encode && value.find('"') != std::string_view::npos) {
        Warn(full,
             "a value holds a double quote, which the favorites data file can carry only with "
             "encryption on");
        return;
      }
    }
    const FavoriteRecord record{modified,        relative,         name, values.URL,
                                values.IconFile, values.IconIndex, "F"};
    if (Carried(full, record) && Written(full, record)) {
      ++shortcuts_;
    }
  }

  // False when the record's text has no place in the ANSI code page the list is written in.
  bool Written(const std::string& path, const FavoriteRecord& record) {
    if (!options_.ansiCodePage) {
      WriteFavoriteRecord(out_, record, options_.encode);
      return true;
    }
    std::optional<std::string> text[] = {
        TextInAnsiCodePage(record.Modified), TextInAnsiCodePage(record.Path),
        TextInAnsiCodePage(record.Name),     TextInAnsiCodePage(record.URL),
        TextInAnsiCodePage(record.IconFile), TextInAnsiCodePage(record.IconIndex)};
    for (const auto& value : text) {
      if (!value) {
        Warn(path, "it holds characters that the ANSI code page of the list cannot carry");
        return false;
      }
    }
    WriteFavoriteRecord(out_,
                        {*text[0], *text[1], *text[2], *text[3], *text[4], *text[5], record.Type},
                        options_.encode);
    return true;
  }

  // A shortcut file's values, read only when the cache does not know the file unchanged. The
  // views are good until the next file's.
  ShortcutValueViews ValuesOf(const std::string& path, const FileIdentity& identity) {
    if (options_.cache == nullptr) {
      return read_ = ReadShortcutValues(path);
    }
    const std::string_view relative = std::string_view(path).substr(rootSize_);
    std::optional<ShortcutValueViews> values = options_.cache->Find(relative, identity);
    if (!values) {
      values = read_ = ReadShortcutValues(path);
    }
    options_.cache->Remember(relative, identity, *values);
    return *values;
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
  ShortcutValues read_;        // the values of the file read last
  std::size_t shortcuts_ = 0;  // shortcut records written
};

}  // namespace

std::size_t ScanFavoritesFolder(const std::string& favoritesRoot, std::ostream& out,
                                const ScanOptions& options) {
  // Never the file system's root, never a relative path: without a Favorites folder there
  // is nothing to scan.
  if (!IsAbsolutePath(favoritesRoot) || favoritesRoot.find_first_not_of('/') == std::string::npos) {
    if (options.warn) {
      options.warn("\"" + favoritesRoot + "\": not a Favorites folder to scan");
    }
    return 0;
  }
  std::string root = favoritesRoot;
  if (root.back() != '/') {
    root += '/';
  }
  const std::optional<dev_t> device = FileSystemOf(root);
  if (!device) {
    return 0;  // nothing to enumerate
  }
  Scanner scanner(out, options, root.size(), *device);
  scanner.ScanRoot(root);
  return scanner.shortcuts();
}

}  // namespace kestrin
