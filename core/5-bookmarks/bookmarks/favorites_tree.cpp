#include "bookmarks/favorites_tree.h"

#include <algorithm>
#include <iterator>

#include "favorites/folder_entries.h"
#include "favorites/shortcut_file.h"
#include "formats/printable_text.h"

namespace kestrin {
namespace {

std::string TitleOf(const std::string& fileName) {
  const std::size_t n = fileName.size();
  const bool dotUrl = n > 4 && fileName[n - 4] == '.';
  return fileName.substr(0, n - (dotUrl ? 4 : 3));
}

class FavoritesWalker {
 public:
  FavoritesWalker(dev_t device, std::size_t rootSize, std::vector<std::string>& leftOut)
      : device_(device), rootSize_(rootSize), leftOut_(leftOut) {}

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
        std::string url = ReadShortcutValues(child).URL;
        if (url.empty()) {
          leftOut_.push_back(PrintableText(child.substr(rootSize_)) + ": it holds no URL");
        } else {
          links.push_back(Bookmark::Link(TitleOf(entry.name), std::move(url), entry.modified));
        }
      } else if (depth >= kMaxBookmarkDepth) {
        leftOut_.push_back(PrintableText(child.substr(rootSize_)) + ": nested deeper than " +
                           std::to_string(kMaxBookmarkDepth) + " folders, with all it holds");
      } else {
        folder.children.push_back(Bookmark::Folder(entry.name, entry.modified));
        Walk(child + "/", folder.children.back(), depth + 1);
      }
    }
    std::ranges::move(links, std::back_inserter(folder.children));
  }

 private:
  dev_t device_;
  std::size_t rootSize_;
  std::vector<std::string>& leftOut_;
};

}  // namespace

Bookmarks ReadFavoritesTree(const std::string& favoritesRoot) {
  Bookmarks bookmarks;
  if (const std::optional<dev_t> device = FileSystemOf(favoritesRoot)) {
    FavoritesWalker(*device, favoritesRoot.size(), bookmarks.leftOut)
        .Walk(favoritesRoot, bookmarks.root, 0);
  }
  return bookmarks;
}

}  // namespace kestrin
