#include "bench/generated_favorites.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "favorites/general_date.h"

namespace kestrin::bench {
namespace {

constexpr std::size_t kPerFolder = 50;
constexpr std::size_t kFoldersPerParent = 8;

std::string Modified(int day) {
  return FormatGeneralDate({2026, 11, day, 9, 30, 15}, EnUsGeneralDateFormat());
}

// "Thema 3 Café\Sub 1 Grüße\" style paths two levels deep.
std::string FolderPath(std::size_t folder) {
  return "Thema " + std::to_string(folder / kFoldersPerParent) + " Café\\Sub " +
         std::to_string(folder % kFoldersPerParent) + " Grüße\\";
}

FavoriteRecord Shortcut(std::size_t i) {
  FavoriteRecord record;
  record.Modified = Modified(1 + static_cast<int>(i % 20));
  record.Path = FolderPath(i / kPerFolder);
  record.Name = "Seite " + std::to_string(i) + " Übersicht.url";
  record.URL =
      "https://example.org/bereich/" + std::to_string(i % 97) + "/seite?id=" + std::to_string(i);
  if (i % 5 == 0) {
    record.IconFile = "https://example.org/favicon.ico";
    record.IconIndex = "1";
  }
  record.Type = "F";
  return record;
}

std::filesystem::path LocalPath(const std::string& root, const FavoriteRecord& record) {
  std::string relative = record.Path + record.Name;
  std::replace(relative.begin(), relative.end(), '\\', '/');
  return std::filesystem::path(root) / relative;
}

}  // namespace

FavoritesDataFile GeneratedList(std::size_t count, const std::string& computerName) {
  FavoritesDataFile list{{computerName, Modified(30)}, {}};
  list.records.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    list.records.push_back(Shortcut(i));
  }
  return list;
}

FavoritesDataFile WithOnePercentChanged(const FavoritesDataFile& list,
                                        const std::string& computerName) {
  FavoritesDataFile changed{{computerName, Modified(30)}, list.records};
  for (std::size_t i = 0; i < changed.records.size(); i += 100) {
    FavoriteRecord& record = changed.records[i];
    if (i % 200 == 0) {
      record.URL += "&neu=1";
      record.Modified = Modified(28);
    } else {
      record.Name = "Neu " + record.Name;
    }
  }
  return changed;
}

void WriteTree(const FavoritesDataFile& list, const std::string& root) {
  for (const FavoriteRecord& record : list.records) {
    const std::filesystem::path file = LocalPath(root, record);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary)
        << "[InternetShortcut]\r\nURL=" << record.URL << "\r\nIconFile=" << record.IconFile
        << "\r\nIconIndex=" << record.IconIndex << "\r\n";
  }
}

}  // namespace kestrin::bench
