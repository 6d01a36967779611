#pragma once

#include <string>

#include "favorites/favorite_record.h"
#include "platform/result.h"

namespace kestrin::cli {

// Reads a data file for show and diff. A sealed one, a copy of "favs.dat.sealed", is opened
// with the passphrase of the settings file; its record fields are never Radix-64, so decode
// does not apply to it. The error names the file.
Result<FavoritesDataFile> ReadListFile(const std::string& path, bool decode,
                                       const std::string& settingsPath);

}  // namespace kestrin::cli
