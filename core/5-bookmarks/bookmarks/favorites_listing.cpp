#include "bookmarks/favorites_listing.h"

#include "bookmarks/bookmark_tree.h"
#include "bookmarks/json_text.h"
#include "favorites/folder_entries.h"
#include "favorites/shortcut_file.h"

namespace kestrin {
namespace {

void ListFolder(const std::string& root, const std::string& place, dev_t device, std::size_t depth,
                FavoritesListing& listing) {
  VisitFolderEntries(root + place + (place.empty() ? "" : "/"), device,
                     [&](const FolderEntry& entry) {
                       if (!IsUtf8(entry.name)) {
                         return;
                       }
                       const std::string child = JoinPlace(place, entry.name);
                       if (entry.kind == EntryKind::Shortcut) {
                         listing[child] = {false, ReadShortcutValues(root + child).URL};
                       } else if (entry.kind == EntryKind::Folder && depth < kMaxBookmarkDepth) {
                         listing[child] = {true, ""};
                         ListFolder(root, child, device, depth + 1, listing);
                       }
                     });
}

}  // namespace

std::string JoinPlace(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "/" + name;
}

std::pair<std::string, std::string> SplitPlace(const std::string& place) {
  const std::size_t slash = place.rfind('/');
  return slash == std::string::npos ? std::pair{std::string(), place}
                                    : std::pair{place.substr(0, slash), place.substr(slash + 1)};
}

FavoritesListing ListFavorites(const std::string& favoritesRoot) {
  FavoritesListing listing;
  if (const std::optional<dev_t> device = FileSystemOf(favoritesRoot)) {
    ListFolder(favoritesRoot, "", *device, 0, listing);
  }
  return listing;
}

}  // namespace kestrin
