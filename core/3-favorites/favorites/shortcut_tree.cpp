#include "favorites/shortcut_tree.h"

#include "favorites/record_rule.h"

namespace kestrin {

bool RemoveShortcutTree(const ContainedFolder& holder, const std::string& name, dev_t device) {
  {
    const auto folder = holder.Beneath(name);
    if (!folder) {
      return false;
    }
    for (const std::string& entry : folder->Entries()) {
      struct stat info;
      if (folder->Status(entry, &info) != 0 || info.st_dev != device) {
        continue;  // gone meanwhile, or another file system mounted here: not our favorites
      }
      if (S_ISDIR(info.st_mode)) {
        RemoveShortcutTree(*folder, entry, device);
      } else if (S_ISREG(info.st_mode) && HasShortcutName(entry)) {
        folder->RemoveFile(entry);
      }
    }
  }  // let go of the folder before removing it
  return holder.RemoveFolder(name) == 0;
}

}  // namespace kestrin
