#include "desktop/favorites_menu.h"

#include <algorithm>
#include <optional>

#include "favorites/folder_entries.h"
#include "favorites/shortcut_file.h"
#include "formats/printable_text.h"

namespace kestrin::desktop {

namespace {

using Kind = FavoritesMenuEntry::Kind;

// A shortcut's name without its extension: "Site.url" is shown as "Site".
std::string WithoutExtension(const std::string& name) {
  const std::size_t extension = name.size() >= 4 && name[name.size() - 4] == '.' ? 4 : 3;
  return name.substr(0, name.size() - extension);
}

struct Found {
  std::string name;
  std::string title;
  bool folder;
};

std::vector<Found> ReadFolder(const std::string& folder, dev_t device, const TitleOrder& order) {
  std::vector<Found> found;
  VisitFolderEntries(folder, device, [&](const FolderEntry& entry) {
    if (entry.kind == EntryKind::Folder || entry.kind == EntryKind::Shortcut) {
      const bool isFolder = entry.kind == EntryKind::Folder;
      found.push_back({entry.name,
                       PrintableText(isFolder ? entry.name : WithoutExtension(entry.name)),
                       isFolder});
    }
  });
  std::sort(found.begin(), found.end(), [&](const Found& a, const Found& b) {
    if (a.folder != b.folder) {
      return a.folder;
    }
    const int titles = order(a.title, b.title);
    return titles != 0 ? titles < 0 : a.name < b.name;
  });
  return found;
}

}  // namespace

std::vector<FavoritesMenuEntry> ReadFavoritesMenu(const std::string& folder,
                                                  const std::string& favoritesRoot,
                                                  const TitleOrder& order) {
  const std::optional<dev_t> device = FileSystemOf(favoritesRoot);
  const std::vector<Found> found =
      device ? ReadFolder(folder, *device, order) : std::vector<Found>();
  const std::size_t shown = std::min(found.size(), kMaxFavoritesMenuEntries);
  std::vector<FavoritesMenuEntry> entries;
  for (std::size_t i = 0; i < shown; ++i) {
    const std::string path = folder + found[i].name;
    if (found[i].folder) {
      entries.push_back({Kind::Folder, found[i].title, path + "/", true});
    } else {
      const std::string url = ReadShortcutValues(path).URL;
      entries.push_back({Kind::Shortcut, found[i].title, url, IsOpenableUrl(url)});
    }
  }
  if (found.size() > shown) {
    entries.push_back(
        {Kind::More, "… " + std::to_string(found.size() - shown) + " more", folder, true});
  }
  if (found.empty()) {
    entries.push_back({Kind::Empty, "(Empty)", "", false});
  }
  return entries;
}

}  // namespace kestrin::desktop
