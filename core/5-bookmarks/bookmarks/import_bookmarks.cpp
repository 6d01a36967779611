#include "bookmarks/import_bookmarks.h"

#include <algorithm>
#include <optional>

#include "bookmarks/safe_name.h"
#include "favorites/data_file.h"
#include "favorites/record_rule.h"
#include "favorites/shortcut_file.h"
#include "formats/printable_text.h"
#include "platform/contained_folder.h"
#include "platform/posix_files.h"
#include "sync/restore_favorites.h"

namespace kestrin {
namespace {

// How many numbered names are tried before a shortcut is given up.
constexpr int kMaxNumberedNames = 100;

enum class Found { Nothing, Folder, File, Other };

Found WhatStandsAt(const ContainedFolder& folder, const std::string& name) {
  struct stat info;
  if (folder.Status(name, &info) != 0) {
    return Found::Nothing;
  }
  return S_ISDIR(info.st_mode) ? Found::Folder
         : S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) <= kMaxShortcutFileBytes
             ? Found::File
             : Found::Other;
}

FavoriteRecord FolderRecord(std::string_view path) {
  FavoriteRecord record;
  record.Path = path;
  record.Type = "D";
  return record;
}

// The URL as a shortcut file holding it reads back.
std::string UrlAsRead(const std::string& url) {
  return ParseShortcutFile("[InternetShortcut]\r\nURL=" + url + "\r\n").URL;
}

class Importer {
 public:
  explicit Importer(ImportOutcome& outcome) : outcome_(outcome) {}

  // `here` holds the folder whose place the list writes as `path`: backslashes, none at
  // the end.
  void Folder(const Bookmark& folder, const ContainedFolder& here, const std::string& path) {
    for (const Bookmark& entry : folder.children) {
      const std::string name = SafeName(entry.title);
      if (entry.folder) {
        const std::string place = path.empty() ? name : path + "\\" + name;
        if (const auto made = MakeFolder(here, name, place)) {
          Folder(entry, *made, place);
        }
      } else {
        Shortcut(entry, here, path.empty() ? path : path + "\\", name);
      }
    }
  }

  // The folder `name` in `here`, made when missing; `place` is its place in the list.
  std::optional<ContainedFolder> MakeFolder(const ContainedFolder& here, const std::string& name,
                                            const std::string& place) {
    if (!Acceptable(FolderRecord(place), place + "\\")) {
      return std::nullopt;
    }
    const bool existed = WhatStandsAt(here, name) != Found::Nothing;
    auto made = here.Beneath(name, true);
    if (made) {
      outcome_.foldersCreated += existed ? 0 : 1;
      return std::move(*made);
    }
    Skip(place + "\\", made.error() == BlockedWay::Link ? "a folder on the way is a link"
                       : made.error() == BlockedWay::NotFolder
                           ? "a file stands where the folder would be"
                           : "cannot create the folder");
    return std::nullopt;
  }

 private:
  void Shortcut(const Bookmark& link, const ContainedFolder& here, const std::string& folderPath,
                const std::string& name) {
    const std::string place = folderPath + name + ".url";
    if (link.url.size() > kMaxDataFileValueBytes) {
      Skip(place, "the URL is longer than " + std::to_string(kMaxDataFileValueBytes) + " bytes");
      return;
    }
    const std::string fileName = name + ".url";
    FavoriteRecord record;
    record.Path = folderPath;
    record.Name = fileName;
    record.URL = link.url;
    record.Type = "F";
    if (!Acceptable(record, place)) {
      return;
    }
    const std::string url = UrlAsRead(link.url);
    for (int number = 1; number <= kMaxNumberedNames; ++number) {
      const std::string file =
          number == 1 ? fileName : name + " (" + std::to_string(number) + ").url";
      switch (WhatStandsAt(here, file)) {
        case Found::Nothing:
          if (!WriteShortcutFile(here, file, link.url, "", "", false)) {
            Skip(place, "cannot write the shortcut");
            return;
          }
          ++outcome_.shortcutsCreated;
          outcome_.writtenBeside += number > 1 ? 1 : 0;
          return;
        case Found::File:
          if (ReadShortcutValues(here, file).URL == url) {
            ++outcome_.alreadyThere;
            return;
          }
          break;
        default:
          break;
      }
    }
    Skip(place, std::to_string(kMaxNumberedNames) + " files of that name hold other things");
  }

  bool Acceptable(const FavoriteRecord& record, const std::string& place) {
    const Result<> checked = CheckRecord(record);
    return checked || Skip(place, checked.error());
  }

  bool Skip(const std::string& place, const std::string& why) {
    outcome_.skipped.push_back(PrintableText(place) + ": " + why);
    return false;
  }

  ImportOutcome& outcome_;
};

}  // namespace

Result<ImportOutcome> ImportBookmarks(const Bookmarks& bookmarks, const std::string& favoritesRoot,
                                      const std::string& into, const std::string& restoreFolder) {
  std::string intoPath;
  for (char c : into) {
    intoPath += c == '/' ? '\\' : c;
  }
  while (intoPath.ends_with('\\')) {
    intoPath.pop_back();
  }
  if (!intoPath.empty()) {
    if (const Result<> plain = CheckRecord(FolderRecord(intoPath)); !plain) {
      return Result<ImportOutcome>::Fail("cannot import into " + PrintableText(into) + ": " +
                                         plain.error());
    }
  }
  const auto root = ContainedFolder::Open(favoritesRoot);
  if (!root) {
    return Result<ImportOutcome>::Fail(root.error());
  }
  ImportOutcome outcome;
  Importer importer(outcome);
  // Each folder of `into` in turn, outermost first, each held open for the next.
  std::optional<ContainedFolder> here = *root;
  for (std::size_t start = 0; here && start < intoPath.size();) {
    const std::size_t end = std::min(intoPath.find('\\', start), intoPath.size());
    here = importer.MakeFolder(*here, intoPath.substr(start, end - start), intoPath.substr(0, end));
    start = end + 1;
  }
  if (here) {
    importer.Folder(bookmarks.root, *here, intoPath);
  }
  if (bookmarks.tooDeep > 0) {
    outcome.skipped.push_back(std::to_string(bookmarks.tooDeep) + " entries: nested deeper than " +
                              std::to_string(kMaxBookmarkDepth) + " folders");
  }
  if (outcome.foldersCreated + outcome.shortcutsCreated > 0) {
    if (const Result<> marked = MarkRestoreAwaitingUpload(restoreFolder); !marked) {
      outcome.notKept = marked.error();
    }
  }
  return Result<ImportOutcome>::Ok(std::move(outcome));
}

}  // namespace kestrin
