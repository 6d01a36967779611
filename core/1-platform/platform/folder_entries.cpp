#include "platform/folder_entries.h"

#include <dirent.h>

#include <algorithm>
#include <cstring>

namespace kestrin {

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
        names.push_back(entry->d_name);
      }
    }
    closedir(dir);
  }
  std::ranges::sort(names);
  return names;
}

}  // namespace kestrin
