#pragma once

#include <string>
#include <vector>

namespace kestrin {

// One folder ("D") or Internet shortcut ("F") as a line of the favorites data file.
struct FavoriteRecord {
  std::string Modified;
  std::string Path;
  std::string Name;
  std::string URL;
  std::string IconFile;
  std::string IconIndex;
  std::string Type;

  bool operator==(const FavoriteRecord&) const = default;
};

struct DataFileHeader {
  std::string ComputerName;
  std::string WrittenAt;
};

struct FavoritesDataFile {
  DataFileHeader header;
  std::vector<FavoriteRecord> records;
};

}  // namespace kestrin
