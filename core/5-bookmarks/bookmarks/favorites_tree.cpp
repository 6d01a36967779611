#include "bookmarks/favorites_tree.h"

#include <sys/stat.h>

#include <algorithm>
#include <iterator>

#include "favorites/record_rule.h"
#include "favorites/shortcut_file.h"
#include "platform/folder_entries.h"
#include "platform/whole_file.h"

namespace kestrin {
namespace {

std::string TitleOf(const std::string& fileName) {
  const std::size_t n = fileName.size();
  const bool dotUrl = n > 4 && fileName[n - 4] == '.';
  return fileName.substr(0, n - (dotUrl ? 4 : 3));
}

class FavoritesWalker {
 public:
  explicit FavoritesWalker(dev_t device) : device_(device) {}

  void Walk(const std::string& path, Bookmark& folder, std::size_t depth) {
    std::vector<Bookmark> links;
    for (const std::string& name : FolderEntries(path)) {
      const std::string child = path + name;
      struct stat info;
      if (lstat(child.c_str(), &info) != 0) {
        continue;
      }
      if (S_ISDIR(info.st_mode) && info.st_dev == device_) {
        if (depth >= kMaxBookmarkDepth) {
          ++tooDeep_;
          continue;
        }
        folder.children.push_back(Bookmark::Folder(name, info.st_mtime));
        Walk(child + "/", folder.children.back(), depth + 1);
      } else if (S_ISREG(info.st_mode) && HasShortcutName(name) &&
                 static_cast<std::size_t>(info.st_size) <= kMaxShortcutFileBytes) {
        links.push_back(Bookmark::Link(TitleOf(name), ParseShortcutFile(ReadWholeFile(child)).URL,
                                       info.st_mtime));
      }
    }
    std::ranges::move(links, std::back_inserter(folder.children));
  }

  std::size_t tooDeep() const { return tooDeep_; }

 private:
  dev_t device_;
  std::size_t tooDeep_ = 0;
};

}  // namespace

Bookmarks ReadFavoritesTree(const std::string& favoritesRoot) {
  Bookmarks bookmarks;
  struct stat info;
  if (stat(favoritesRoot.c_str(), &info) == 0) {
    FavoritesWalker walker(info.st_dev);
    walker.Walk(favoritesRoot, bookmarks.root, 0);
    bookmarks.tooDeep = walker.tooDeep();
  }
  return bookmarks;
}

BookmarkCount CountBookmarks(const Bookmark& folder) {
  BookmarkCount count;
  for (const Bookmark& entry : folder.children) {
    if (entry.folder) {
      const BookmarkCount inside = CountBookmarks(entry);
      count.folders += 1 + inside.folders;
      count.links += inside.links;
    } else {
      ++count.links;
    }
  }
  return count;
}

}  // namespace kestrin
