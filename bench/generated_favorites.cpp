#include "bench/generated_favorites.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "formats/general_date.h"

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

// Appends shortcut i, with a new name or a new URL and an earlier date when asked.
void AppendShortcut(RecordList& records, std::size_t i, std::string_view namePrefix = "",
                    std::string_view urlSuffix = "", int day = 0) {
  const std::string modified = Modified(day != 0 ? day : 1 + static_cast<int>(i % 20));
  const std::string path = FolderPath(i / kPerFolder);
  const std::string name =
      std::string(namePrefix) + "Seite " + std::to_string(i) + " Übersicht.url";
  const std::string url = "https://example.org/bereich/" + std::to_string(i % 97) +
                          "/seite?id=" + std::to_string(i) + std::string(urlSuffix);
  const bool icon = i % 5 == 0;
  records.push_back({modified, path, name, url, icon ? "https://example.org/favicon.ico" : "",
                     icon ? "1" : "", "F"});
}

std::filesystem::path LocalPath(const std::string& root, const FavoriteRecord& record) {
  std::string relative = std::string(record.Path).append(record.Name);
  std::replace(relative.begin(), relative.end(), '\\', '/');
  return std::filesystem::path(root) / relative;
}

}  // namespace

FavoritesDataFile GeneratedList(std::size_t count, const std::string& computerName) {
  FavoritesDataFile list{{computerName, Modified(30)}, {}};
  for (std::size_t i = 0; i < count; ++i) {
    AppendShortcut(list.records, i);
  }
  return list;
}

FavoritesDataFile WithOnePercentChanged(const FavoritesDataFile& list,
                                        const std::string& computerName) {
  FavoritesDataFile changed{{computerName, Modified(30)}, {}};
  for (std::size_t i = 0; i < list.records.size(); ++i) {
    if (i % 200 == 0) {
      AppendShortcut(changed.records, i, "", "&neu=1", 28);
    } else if (i % 100 == 0) {
      AppendShortcut(changed.records, i, "Neu ");
    } else {
      changed.records.push_back(list.records[i]);
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
