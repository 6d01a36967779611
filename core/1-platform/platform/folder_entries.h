#pragma once

#include <string>
#include <vector>

namespace kestrin {

// The names of a folder's entries, sorted, without "." and ".."; none when it cannot be read.
// The listing is read whole before anything is done with it, so that each entry is visited
// once even while the folder changes.
std::vector<std::string> FolderEntries(const std::string& folder);

}  // namespace kestrin
