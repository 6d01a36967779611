#include "bookmarks/favorites_tree.h"

#include <algorithm>
#include <iterator>

#include "favorites/folder_entries.h"
#include "favorites/shortcut_file.h"

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

  // Folders first, then shortcuts, each by name; links and other file systems left out.
  void Walk(const std::string& path, Bookmark& folder, std::size_t depth) {
    std::vector<FolderEntry> entries;
    VisitFolderEntries(path, device_, [&](const FolderEntry& entry) {
      if (entry.kind == EntryKind::Folder || entry.kind == EntryKind::Shortcut) {
        entries.push_back(entry);
      }
    });
    std::ranges::sort(entries, {}, &FolderEntry::name);
    std::vector<Bookmark> links;
    for (const FolderEntry& entry : entries) {
      const std::string child = path + entry.name;
      if (entry.kind == EntryKind::Shortcut) {
        links.push_back(
            Bookmark::Link(TitleOf(entry.name), ReadShortcutValues(child).URL, entry.modified));
      } else if (depth >= kMaxBookmarkDepth) {
        ++tooDeep_;
      } else {
        folder.children.push_back(Bookmark::Folder(entry.name, entry.modified));
        Walk(child + "/", folder.children.back(), depth + 1);
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
  if (const std::optional<dev_t> device = FileSystemOf(favoritesRoot)) {
    FavoritesWalker walker(*device);
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
