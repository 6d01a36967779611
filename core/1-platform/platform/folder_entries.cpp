#include "platform/folder_entries.h"

#include <algorithm>
#include <cstring>

#include "platform/posix_files.h"

namespace kestrin {

std::vector<std::string> FolderEntries(DIR* dir) {
  std::vector<std::string> names;
  if (dir == nullptr) {
    return names;
  }
  while (const dirent* entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
      names.push_back(entry->d_name);
    }
  }
  closedir(dir);
  std::ranges::sort(names);
  return names;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  return FolderEntries(opendir(folder.c_str()));
}

namespace {

// Deletes what lies on the file system `device`: another mounted below stays whole.
void RemoveTreeOn(const std::string& path, dev_t device) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) {
    return;
  }
  if (S_ISLNK(info.st_mode)) {
    unlink(path.c_str());
    return;
  }
  if (!S_ISDIR(info.st_mode) || info.st_dev != device) {
    return;
  }
  for (const std::string& name : FolderEntries(path)) {
    const std::string child = path + "/" + name;
    struct stat childInfo;
    if (lstat(child.c_str(), &childInfo) == 0 && S_ISDIR(childInfo.st_mode)) {
      RemoveTreeOn(child, device);
    } else {
      unlink(child.c_str());
    }
  }
  rmdir(path.c_str());
}

}  // namespace

void RemoveFolderTree(const std::string& path) {
  struct stat holder;
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos &&
      lstat(slash == 0 ? "/" : path.substr(0, slash).c_str(), &holder) == 0) {
    RemoveTreeOn(path, holder.st_dev);
  }
}

}  // namespace kestrin
