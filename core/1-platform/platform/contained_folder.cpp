// The walk from a trusted folder down to one below it; the system's hold on each folder is
// in folder_handle.cpp.

#include "platform/contained_folder.h"

#include <algorithm>
#include <cerrno>

namespace kestrin {

bool IsPlainName(std::string_view name) {
  // One pass, not a search of the three characters for each of the name's: every record's
  // names and folders are asked.
  return !name.empty() && name != "." && name != ".." &&
         std::none_of(name.begin(), name.end(),
                      [](char c) { return c == '/' || c == '\\' || c == '\0'; });
}

int ContainedFolder::RefuseName() {
  errno = EINVAL;
  return -1;
}

FolderAndName SplitAtLastName(std::string_view relative) {
  if (relative.ends_with('/')) {
    relative.remove_suffix(1);
  }
  const std::size_t slash = relative.rfind('/');
  if (slash == std::string_view::npos) {
    return {"", std::string(relative)};
  }
  return {std::string(relative.substr(0, slash)), std::string(relative.substr(slash + 1))};
}

Result<ContainedFolder, BlockedWay> ContainedFolder::Beneath(std::string_view relative,
                                                             bool create) const {
  using Outcome = Result<ContainedFolder, BlockedWay>;
  ContainedFolder folder = *this;
  while (!relative.empty()) {
    const std::size_t slash = relative.find('/');
    const std::string name(relative.substr(0, slash));
    relative = slash == std::string_view::npos ? "" : relative.substr(slash + 1);
    if (!IsPlainName(name)) {
      return Outcome::Fail(BlockedWay::Refused);
    }
    auto next = folder.Step(name);
    if (!next && next.error() == BlockedWay::Missing && create) {
      // Made by someone else meanwhile is as good; what stands there is looked at again.
      if (folder.MakeFolder(name) != 0 && errno != EEXIST) {
        return Outcome::Fail(BlockedWay::Refused);
      }
      next = folder.Step(name);
    }
    if (!next) {
      return next;
    }
    folder = std::move(*next);
  }
  return Outcome::Ok(std::move(folder));
}

}  // namespace kestrin
