// Debian ships no SQLite for MinGW: this build reads no Firefox profile, and says so.

#include "bookmarks/firefox_places.h"

namespace kestrin {

Result<Bookmarks> ReadFirefoxPlaces(const std::string& placesPath) {
  return Result<Bookmarks>::Fail(placesPath +
                                 ": this Windows build has no SQLite, so it cannot read it");
}

}  // namespace kestrin
