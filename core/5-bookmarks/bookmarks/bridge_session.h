#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/bridge_state.h"
#include "bookmarks/favorites_listing.h"
#include "formats/general_date.h"
#include "platform/contained_folder.h"

namespace kestrin {

// Where the bridge works: the Favorites folder (absolute, ending in "/"), the file keeping
// its state for one browser profile, and the folder of the restore points.
struct BridgePlaces {
  std::string favoritesRoot;
  std::string stateFolder;
  std::string restoreFolder;
};

// A bookmark in the browser's tree as the extension sends it, parents before children.
struct BrowserNode {
  std::string id;
  std::string parent;
  std::string title;
  std::string url;   // empty for a folder
  std::string root;  // for a root: "toolbar", "main", "other" or "mobile"
  bool folder = false;
};

// Keeps one browser profile's bookmarks and the Favorites folder one tree, both ways. The
// browser sends its whole tree at connection and after each change; each side's changes
// since the state both last agreed on are carried to the other, and the state then records
// the result, so that nothing the bridge did comes back as a change. Roots: the toolbar is
// "Links", the main root (Chromium's "Other bookmarks", Firefox's menu) the Favorites folder
// itself, Firefox's "Other Bookmarks" the folder of that name, the mobile root "Mobile
// Bookmarks". Separators and "place:" queries never leave the browser.
class BridgeSession {
 public:
  BridgeSession(BridgePlaces places, std::function<DateTime()> now);

  // The messages for the browser in answer to one of its messages.
  std::vector<std::string> Receive(std::string_view message);
  // The messages that carry the Favorites folder's changes; called every second or two.
  std::vector<std::string> Tick();

 private:
  struct Ask {
    bool fromBrowser = false;  // what the browser deleted, or what vanished from the folder
    std::set<std::string> ids;
    std::size_t links = 0;
  };

  std::vector<std::string> Step();
  void FromBrowser();
  std::vector<std::string> FromFolder();
  std::set<std::string> Vanished(const FavoritesListing& listing) const;
  void FollowMoves(const FavoritesListing& listing, std::vector<std::string>& operations);
  // The operations as messages under the browser's size limit, each a batch of its own.
  std::vector<std::string> Batches(const std::vector<std::string>& operations);
  bool Guarded(bool fromBrowser, const std::set<std::string>& ids);
  bool SaveWhatIsReplaced(const std::set<std::string>& deleted,
                          const std::vector<std::string>& overwritten);
  void Carry(const BrowserNode& node, FavoritesListing& listing);
  bool Adopt(const BrowserNode& node, const FavoritesListing& listing);
  void Create(const BrowserNode& node);
  void MoveOrRename(const BrowserNode& node, BridgeItem& item, const std::string& id);
  std::string FreeName(const std::string& parentPlace, const std::string& base, bool folder) const;
  bool Refused(const BrowserNode& node);
  std::string Place(const std::string& place) const;
  // The folder that holds `place`, reached from the Favorites folder without links; with
  // `create`, missing folders on the way are made. None when it cannot be reached.
  std::optional<ContainedFolder> HolderOf(const std::string& place, bool create) const;
  void Changed();
  void Failed(const std::string& error);
  std::string Status() const;
  void SelectState(const std::string& browser, const std::string& profile);
  void KeepState();

  BridgePlaces places_;
  std::function<DateTime()> now_;
  std::string statePath_;
  BridgeState state_;
  std::vector<BrowserNode> tree_;
  std::set<std::string> placesTaken_;  // by the items the state holds, while carrying a tree
  bool treeNew_ = false;
  long sentBatch_ = 0;
  long nextRef_ = 0;
  std::optional<Ask> ask_;
  std::set<std::string> vanishedLastLook_;  // from the folder, not yet carried to the browser
  bool massAllowed_ = false;
  bool stateChanged_ = false;
  std::string lastChange_;
  std::string error_;
  std::vector<std::string> refused_;
  std::string lastStatus_;
};

}  // namespace kestrin
