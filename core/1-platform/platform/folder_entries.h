#pragma once

#include <string>
#include <vector>

#include "platform/posix_files.h"

namespace kestrin {

// The names of a folder's entries, sorted, without "." and ".."; none when it cannot be read.
// The listing is read whole before anything is done with it, so that each entry is visited
// once even while the folder changes.
std::vector<std::string> FolderEntries(const std::string& folder);
// The same of a folder opened already (none for nullptr), which it closes.
std::vector<std::string> FolderEntries(DIR* dir);

// Deletes the folder (an absolute path, no trailing "/") with everything in it, leaving what
// cannot be deleted: for the program's own folders. A symbolic link is removed itself and
// never followed, and a file system mounted there or below is left whole.
void RemoveFolderTree(const std::string& path);

}  // namespace kestrin
