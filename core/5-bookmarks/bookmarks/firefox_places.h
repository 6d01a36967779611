#pragma once

#include <string>

#include "bookmarks/bookmark_tree.h"
#include "platform/result.h"

namespace kestrin {

// The bookmarks of a Firefox profile's "places.sqlite": each root that holds anything
// ("Bookmarks Menu", "Bookmarks Toolbar", "Other Bookmarks", "Mobile Bookmarks") becomes a
// folder; tags, separators and Firefox's own "place:" queries are left out. The database
// and its write-ahead log are read into memory and read there, so that a running Firefox's
// lock does not matter, its files are never touched and no copy is ever written. Fails,
// saying why, when the file cannot be read, is no such database (its moz_bookmarks or
// moz_places no table), or takes far more work to read than any real one.
Result<Bookmarks> ReadFirefoxPlaces(const std::string& placesPath);

}  // namespace kestrin
