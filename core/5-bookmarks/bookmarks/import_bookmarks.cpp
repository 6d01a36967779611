#include "bookmarks/import_bookmarks.h"

#include "bookmarks/safe_name.h"
#include "favorites/favorites_path.h"
#include "favorites/record_rule.h"
#include "favorites/shortcut_file.h"
#include "formats/printable_text.h"
#include "platform/posix_files.h"
#include "platform/whole_file.h"
#include "sync/apply_changes.h"
#include "sync/restore_favorites.h"

namespace kestrin {
namespace {

// How many numbered names are tried before a shortcut is given up.
constexpr int kMaxNumberedNames = 100;

enum class Found { Nothing, Folder, File, Other };

Found WhatStandsAt(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) {
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
  Importer(const std::string& root, ImportOutcome& outcome) : root_(root), outcome_(outcome) {}

  // `path` is the folder's place as the list writes it: backslashes, none at the end.
  void Folder(const Bookmark& folder, const std::string& path) {
    for (const Bookmark& entry : folder.children) {
      const std::string name = SafeName(entry.title);
      if (entry.folder) {
        const std::string place = path.empty() ? name : path + "\\" + name;
        if (MakeFolder(place)) {
          Folder(entry, place);
        } else if (const BookmarkCount inside = CountBookmarks(entry);
                   inside.folders + inside.links > 0) {
          outcome_.skipped.back() +=
              " (with the " + std::to_string(inside.folders + inside.links) + " entries in it)";
        }
      } else {
        Shortcut(entry, path.empty() ? path : path + "\\", name);
      }
    }
  }

  bool MakeFolder(const std::string& place) {
    if (!Acceptable(FolderRecord(place), place + "\\")) {
      return false;
    }
    const std::string local = LocalPathOf(root_, place);
    if (PassesThroughLink(root_, local + "/")) {
      return Skip(place + "\\", "a folder on the way is a link");
    }
    switch (WhatStandsAt(local)) {
      case Found::Folder:
        return true;
      case Found::Nothing:
        if (mkdir(local.c_str(), 0755) == 0) {
          ++outcome_.foldersCreated;
          return true;
        }
        return Skip(place + "\\", "cannot create the folder");
      default:
        return Skip(place + "\\", "a file stands where the folder would be");
    }
  }

 private:
  void Shortcut(const Bookmark& link, const std::string& folderPath, const std::string& name) {
    const std::string place = folderPath + name + ".url";
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
      const std::string written =
          folderPath + (number == 1 ? fileName : name + " (" + std::to_string(number) + ").url");
      const std::string local = LocalPathOf(root_, written);
      switch (WhatStandsAt(local)) {
        case Found::Nothing:
          if (!WriteShortcutFile(local, link.url, "", "", false)) {
            Skip(place, "cannot write the shortcut");
            return;
          }
          ++outcome_.shortcutsCreated;
          outcome_.writtenBeside += number > 1 ? 1 : 0;
          if (link.url.find('"') != std::string::npos) {  // a bookmarklet, mostly
            outcome_.notShared.push_back(PrintableText(written) +
                                         ": its URL holds a double quote, which the shared list "
                                         "carries only with encryption on");
          }
          return;
        case Found::File:
          if (ParseShortcutFile(ReadWholeFile(local)).URL == url) {
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

  const std::string& root_;
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
  ImportOutcome outcome;
  Importer importer(favoritesRoot, outcome);
  // Each folder of `into` in turn, outermost first, so that none is made through a link.
  bool reachable = true;
  for (std::size_t end = 0; reachable && end != std::string::npos && !intoPath.empty();) {
    end = intoPath.find('\\', end + 1);
    reachable = importer.MakeFolder(intoPath.substr(0, end));
  }
  if (reachable) {
    importer.Folder(bookmarks.root, intoPath);
  }
  outcome.skipped.insert(outcome.skipped.end(), bookmarks.leftOut.begin(), bookmarks.leftOut.end());
  if (outcome.foldersCreated + outcome.shortcutsCreated > 0) {
    if (const Result<> marked = MarkRestoreAwaitingUpload(restoreFolder); !marked) {
      outcome.notKept = marked.error();
    }
  }
  return Result<ImportOutcome>::Ok(std::move(outcome));
}

}  // namespace kestrin
