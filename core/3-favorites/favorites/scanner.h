#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "formats/general_date.h"

namespace kestrin {

struct ScanOptions {
  bool encode = false;  // Radix-64 fields ("Use Encryption")
  GeneralDateFormat dateFormat;
  std::function<void()> yield;                   // after every entry; may be empty
  std::function<void(const std::string&)> warn;  // an entry that cannot be carried; may be empty
};

// Writes one record per folder and Internet shortcut below favoritesRoot (absolute, ending
// in "/"), depth first in enumeration order. Symbolic links are never followed. Each
// shortcut file is read once.
void ScanFavoritesFolder(const std::string& favoritesRoot, std::ostream& out,
                         const ScanOptions& options);

}  // namespace kestrin
