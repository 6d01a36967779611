#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "favorites/scan_cache.h"
#include "formats/general_date.h"

namespace kestrin {

struct ScanOptions {
  bool encode = false;  // Radix-64 fields ("Use Encryption")
  GeneralDateFormat dateFormat;
  std::function<void()> yield;  // after every entry; may be empty
  // An entry left out, as "<path relative to the Favorites folder>: <why>"; may be empty.
  std::function<void(const std::string&)> warn;
  bool ansiCodePage = false;  // the list's text in the ANSI code page, not UTF-8 ("Utf8List" 0)
  // Shortcut files it knows unchanged are not read again; it learns every file scanned.
  ScanCache* cache = nullptr;
  // Often while the scan lists or waits for entries it has yet to visit; may be empty.
  std::function<void()> idle{};
};

// Writes one record per folder and Internet shortcut below favoritesRoot (absolute, ending
// in "/"), depth first in enumeration order, while a second thread lists sub-folders ahead
// (see SubtreesListedAhead); the callbacks run on the calling thread. Symbolic links are never
// followed. Each shortcut file is read once. An entry that the list cannot carry (CheckRecord
// refuses its record, its name holds a backslash, or a double quote without encoding) is left out
// with a warning, a folder with everything in it; so is a file system mounted inside.
// Returns how many shortcut records it wrote.
std::size_t ScanFavoritesFolder(const std::string& favoritesRoot, std::ostream& out,
                                const ScanOptions& options);

}  // namespace kestrin
