#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/result.h"

namespace kestrin {

// One bookmark as the bridge last saw it the same in the browser and in the Favorites folder.
struct BridgeItem {
  std::string parent;   // the browser id of its folder; empty for a root
  std::string name;     // its file or folder name; for a root, its place ("Links", "")
  std::string title;    // its title in the browser, which SafeName may have changed
  std::string url;      // the browser's URL; empty for a folder
  std::string fileUrl;  // that URL as its shortcut file reads back
  bool folder = false;
  bool root = false;
};

// An id the bridge gave a bookmark it asked the browser to create, until the browser answers
// with the real one.
inline bool IsPendingId(const std::string& id) {
  return id.starts_with("?");
}

// What the bridge agreed on with one browser profile, by browser id: what tells a change on
// either side from one the bridge made itself. Kept between connections, so that a restart
// of the browser creates nothing twice.
class BridgeState {
 public:
  std::map<std::string, BridgeItem> items;

  // The item's place below the Favorites folder ("Links/Work/News.url").
  std::string PlaceOf(const std::string& id) const;
  // Whether `id` lies inside (or is) one of `ids`.
  bool Within(const std::string& id, const std::set<std::string>& ids) const;
  // Forgets the items and everything inside them.
  void Forget(const std::set<std::string>& ids);
  // The id of the item at each place.
  std::map<std::string, std::string> IdsByPlace() const;
  // Gives the pending item its real id, and its children their parent's.
  void Rename(const std::string& pendingId, const std::string& id);
  // The shortcuts inside the items (themselves included).
  std::size_t LinksWithin(const std::set<std::string>& ids) const;

  // The state kept in `path` for the Favorites folder `favoritesRoot`; empty when there is
  // none, it cannot be read, or it was kept for another folder. Items still pending are
  // dropped: the browser may or may not have made them, and the next tree tells.
  static BridgeState Read(const std::string& path, const std::string& favoritesRoot);
  Result<> Keep(const std::string& path, const std::string& favoritesRoot) const;
};

}  // namespace kestrin
