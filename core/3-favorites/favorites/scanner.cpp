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
      : out_(out),
        options_(options),
        rootSize_(rootSize),
        rootDevice_(rootDevice),
        cache_(options.cache != nullptr &&
                       options.cache->form() == RecordLineForm{options.encode, options.ansiCodePage}
                   ? options.cache
                   : nullptr) {}

  void Flush() {
    out_.write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
    pending_.clear();
  }

  // The Favorites folder (absolute, ending in "/"): its sub-folders are listed on two threads.
  void ScanRoot(const std::string& root) {
    const ListedFolder listed = ListFolder(root, rootDevice_, options_.idle);
    std::vector<std::string> folders;
    for (const FolderEntry& entry : listed.entries) {
      if (entry.kind == EntryKind::Folder) {
        folders.push_back(root + entry.name + "/");
      }
    }
    SubtreesListedAhead ahead(std::move(folders), rootDevice_, options_.idle);
    std::size_t folder = 0;
    for (const FolderEntry& entry : listed.entries) {
      const std::unique_ptr<ListedFolder> below =
          entry.kind == EntryKind::Folder ? ahead.Take(folder++) : nullptr;
      VisitEntry(root, "", entry, below.get());
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

  // `below`: a folder's listing when it was listed ahead.
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

    if (isFolder) {
      const std::string path = relative + name;
      const FavoriteRecord record{DateOf(entry.modified).text, path, "", "", "", "", "D"};
      if (Carried(full, record) && Written(full, entry.modified, record)) {
        ScanFolder(full + "/", path + "\\", below);
      }
      return;
    }

    const std::string_view key = std::string_view(full).substr(rootSize_);
    if (cache_ != nullptr) {
      if (const std::optional<std::string_view> rest = cache_->Find(key, entry.identity)) {
        if (Written(full, entry.modified, *rest)) {
          cache_->Remember(key, entry.identity, *rest);
          ++shortcuts_;
        }
        return;
      }
    }
    const ShortcutValues values = ReadShortcutValues(full);
    for (const std::string_view value : {values.URL, values.IconFile, values.IconIndex}) {
      if (!options_.encode && value.find('"') != std::string_view::npos) {
        Warn(full,
             "a value holds a double quote, which the favorites data file can carry only with "
             "encryption on");
        return;
      }
    }
    const FavoriteRecord record{DateOf(entry.modified).text,
                                relative,
                                name,
                                values.URL,
                                values.IconFile,
                                values.IconIndex,
                                "F"};
    if (!Carried(full, record)) {
      return;
    }
    const std::optional<std::string> rest = FieldsInList(record);
    if (!rest) {
      WarnNotInAnsiCodePage(full);
    } else if (Written(full, entry.modified, *rest)) {
      if (cache_ != nullptr) {
        cache_->Remember(key, entry.identity, *rest);
      }
      ++shortcuts_;
    }
  }

  // A folder's record: its line is never kept.
  bool Written(const std::string& path, std::time_t modified, const FavoriteRecord& record) {
    const std::optional<std::string> rest = FieldsInList(record);
    if (!rest) {
      WarnNotInAnsiCodePage(path);
      return false;
    }
    return Written(path, modified, *rest);
  }

  // Writes the line of the date and the fields after it; false, with a warning, when the date
  // has no place in the ANSI code page the list is written in.
  bool Written(const std::string& path, std::time_t modified, std::string_view rest) {
    const std::optional<std::string>& date = DateOf(modified).field;
    if (!date) {
      WarnNotInAnsiCodePage(path);
      return false;
    }
    pending_ += *date;
    pending_ += rest;
    if (pending_.size() >= kPendingBytes) {
      Flush();
    }
    return true;
  }

  void WarnNotInAnsiCodePage(const std::string& path) {
    Warn(path, "it holds characters that the ANSI code page of the list cannot carry");
  }

  // The record's fields after Modified as the list holds them; nothing when the ANSI code page
  // the list is written in cannot carry them.
  std::optional<std::string> FieldsInList(const FavoriteRecord& record) const {
    if (!options_.ansiCodePage) {
      return FieldsAfterModified(record, options_.encode);
    }
    std::optional<std::string> text[] = {
        TextInAnsiCodePage(record.Path), TextInAnsiCodePage(record.Name),
        TextInAnsiCodePage(record.URL), TextInAnsiCodePage(record.IconFile),
        TextInAnsiCodePage(record.IconIndex)};
    for (const auto& value : text) {
      if (!value) {
        return std::nullopt;
      }
    }
    return FieldsAfterModified({"", *text[0], *text[1], *text[2], *text[3], *text[4], record.Type},
                               options_.encode);
  }

  // The date of a modification time as a record's Modified text and as its field in the list
  // (nothing when the ANSI code page cannot carry it). Files written together share their
  // time, so the last one is kept.
  struct DateTexts {
    std::time_t modified;
    std::string text;
    std::optional<std::string> field;
  };
  const DateTexts& DateOf(std::time_t modified) {
    if (!date_ || date_->modified != modified) {
      std::string text = FormatGeneralDate(FileTimeToDate(modified), options_.dateFormat);
      const std::optional<std::string> inList =
          options_.ansiCodePage ? TextInAnsiCodePage(text) : std::optional(text);
      date_ =
          DateTexts{modified, std::move(text),
                    inList ? std::optional(ModifiedField(*inList, options_.encode)) : std::nullopt};
    }
    return *date_;
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

  static constexpr std::size_t kPendingBytes = std::size_t{1} << 16;

  std::ostream& out_;
  const ScanOptions& options_;
  const std::size_t rootSize_;
  const dev_t rootDevice_;
  ScanCache* const cache_;         // when it keeps lines of the form written here
  std::optional<DateTexts> date_;  // of the last date written
  std::string pending_;            // lines not yet written to out_
  std::size_t shortcuts_ = 0;      // shortcut records written
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
  scanner.Flush();
  return scanner.shortcuts();
}

}  // namespace kestrin
