#include "desktop/favorites_menu.h"

#include <algorithm>
#include <cctype>
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

unsigned char Folded(char c) {
  return static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The run of digits at `at`, without its leading zeros; `at` moves past it.
std::string_view NumberAt(std::string_view text, std::size_t& at) {
  const std::size_t start = at;
  while (at < text.size() && IsDigit(text[at])) {
    ++at;
  }
  std::string_view number = text.substr(start, at - start);
  while (number.size() > 1 && number.front() == '0') {
    number.remove_prefix(1);
  }
  return number;
}

// Compares names as a file manager orders them: letters without regard to case, and a run
// of digits by its number ("Item 9" before "item 10"). Negative, zero or positive.
int NaturalCompare(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      const std::string_view x = NumberAt(a, i);
      const std::string_view y = NumberAt(b, j);
      if (x.size() != y.size()) {
        return x.size() < y.size() ? -1 : 1;
      }
      if (const int order = x.compare(y); order != 0) {
        return order;
      }
      continue;
    }
    if (Folded(a[i]) != Folded(b[j])) {
      return Folded(a[i]) < Folded(b[j]) ? -1 : 1;
    }
    ++i;
    ++j;
  }
  return (i < a.size() ? 1 : 0) - (j < b.size() ? 1 : 0);
}

struct Found {
  std::string name;
  std::string title;
  bool folder;
};

std::vector<Found> ReadFolder(const std::string& folder, dev_t device) {
  std::vector<Found> found;
  VisitFolderEntries(folder, device, [&](const FolderEntry& entry) {
    if (entry.kind == EntryKind::Folder || entry.kind == EntryKind::Shortcut) {
      const bool isFolder = entry.kind == EntryKind::Folder;
      found.push_back({entry.name,
                       PrintableText(isFolder ? entry.name : WithoutExtension(entry.name)),
                       isFolder});
    }
  });
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    if (a.folder != b.folder) {
      return a.folder;
    }
    const int order = NaturalCompare(a.title, b.title);
    return order != 0 ? order < 0 : a.name < b.name;
  });
  return found;
}

}  // namespace

std::vector<FavoritesMenuEntry> ReadFavoritesMenu(const std::string& folder,
                                                  const std::string& favoritesRoot) {
  const std::optional<dev_t> device = FileSystemOf(favoritesRoot);
  const std::vector<Found> found = device ? ReadFolder(folder, *device) : std::vector<Found>();
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
