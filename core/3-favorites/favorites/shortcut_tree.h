#pragma once

#include <string>

#include "platform/contained_folder.h"

namespace kestrin {

// Removes from the folder `name` in `holder` what a scan would list, its shortcuts and
// sub-folders, then the folders left empty; nothing on another file system than `device`,
// and nothing else: a file that is not a shortcut keeps its folder. True when the folder
// itself is gone.
bool RemoveShortcutTree(const ContainedFolder& holder, const std::string& name, dev_t device);

}  // namespace kestrin
