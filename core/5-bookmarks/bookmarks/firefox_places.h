#pragma once

#include <string>

#include "bookmarks/bookmark_tree.h"
#include "platform/result.h"

namespace kestrin {

// The bookmarks of a Firefox profile's "places.sqlite": each root that holds anything
// ("Bookmarks Menu", "Bookmarks Toolbar", "Other Bookmarks", "Mobile Bookmarks") becomes a
// folder; tags, separators and Firefox's own "place:" queries are left out. The database
// (and its write-ahead log) is read from a copy in a temporary folder, so that a running
// Firefox's lock does not matter and its files are never touched. Fails, saying why, when
// the file cannot be copied or read.
Result<Bookmarks> ReadFirefoxPlaces(const std::string& placesPath);

}  // namespace kestrin
