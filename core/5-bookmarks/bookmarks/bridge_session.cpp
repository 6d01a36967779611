#include "bookmarks/bridge_session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "bookmarks/json_text.h"
#include "bookmarks/json_value.h"
#include "bookmarks/native_message.h"
#include "bookmarks/safe_name.h"
#include "favorites/record_rule.h"
#include "favorites/shortcut_file.h"
#include "favorites/shortcut_tree.h"
#include "platform/contained_folder.h"
#include "sync/apply_changes.h"
#include "sync/deletion_guard.h"
#include "sync/restore_point.h"
#include "sync/shared_folder_state.h"

namespace kestrin {
namespace {

// How many numbered names ("Name (2)") are tried before an entry is given up.
constexpr int kMaxNumberedNames = 100;
// Room under the browser's 1 MiB limit for the message around the operations.
constexpr std::size_t kMaxOperationBytes = kMaxMessageToBrowser - 1024;

std::string RootPlace(const std::string& root) {
  return root == "toolbar"  ? "Links"
         : root == "other"  ? "Other Bookmarks"
         : root == "mobile" ? "Mobile Bookmarks"
                            : "";
}

bool IsKnownRoot(const std::string& root) {
  return root == "toolbar" || root == "main" || root == "other" || root == "mobile";
}

// The URL as a shortcut file holding it reads back.
std::string UrlAsRead(const std::string& url) {
  return ParseShortcutFile("[InternetShortcut]\r\nURL=" + url + "\r\n").URL;
}

std::string NumberedName(const std::string& base, int number, bool folder) {
  return (number == 1 ? base : base + " (" + std::to_string(number) + ")") + (folder ? "" : ".url");
}

// A file name without its ".url", as the browser shows it.
std::string TitleOfName(const std::string& name, bool folder) {
  return folder || name.size() < 4 ? name : name.substr(0, name.size() - 4);
}

bool Exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

std::vector<BrowserNode> ReadNodes(const JsonValue& list) {
  std::vector<BrowserNode> nodes;
  for (const JsonValue& entry : list.items) {
    BrowserNode node{entry.StringMember("id"),    entry.StringMember("parent"),
                     entry.StringMember("title"), entry.StringMember("url"),
                     entry.StringMember("root"),  entry.Member("url") == nullptr};
    if (!node.id.empty() && !IsPendingId(node.id)) {
      nodes.push_back(std::move(node));
    }
  }
  return nodes;
}

// A name of lowercase letters and digits, safe in a file name.
std::string PlainKey(const std::string& text) {
  std::string key;
  for (char c : text) {
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      key += c;
    }
  }
  return key.substr(0, 64);
}

}  // namespace

BridgeSession::BridgeSession(BridgePlaces places, std::function<DateTime()> now)
    : places_(std::move(places)), now_(std::move(now)) {}

std::vector<std::string> BridgeSession::Receive(std::string_view message) {
  const Result<JsonValue> json = ParseJson(message);
  if (!json) {
    Failed("A message from the browser was not understood: " + json.error());
    return Step();
  }
  const std::string type = json->StringMember("type");
  if (type == "tree") {
    if (statePath_.empty()) {
      SelectState(json->StringMember("browser"), json->StringMember("profile"));
    }
    if (const JsonValue* ids = json->Member("ids")) {
      for (const JsonMember& made : ids->members) {
        state_.Rename(made.name, made.value.text);
        stateChanged_ = true;
      }
    }
    const JsonValue* nodes = json->Member("nodes");
    const JsonValue* batch = json->Member("batch");
    if (!nodes || nodes->kind != JsonValue::Kind::Array) {
      Failed("The browser sent a tree without bookmarks");
    } else if (batch && batch->text == std::to_string(sentBatch_)) {
      // A tree sent before the browser applied the last operations is out of date.
      tree_ = ReadNodes(*nodes);
      treeNew_ = true;
    }
  } else if (type == "answer" && ask_) {
    const JsonValue* accept = json->Member("accept");
    if (accept && accept->text == "true") {
      massAllowed_ = true;
    } else {
      // Kept after all: the side that still holds them gives them back to the other.
      state_.Forget(ask_->ids);
      stateChanged_ = true;
    }
    // The browser's tree is carried again: what was kept there goes back into the folder.
    treeNew_ = true;
    ask_.reset();
  }
  return Step();
}

std::vector<std::string> BridgeSession::Tick() {
  return Step();
}

std::vector<std::string> BridgeSession::Step() {
  std::vector<std::string> messages;
  if (!statePath_.empty() && !ask_) {
    if (treeNew_) {
      FromBrowser();
    }
    if (!ask_ && !tree_.empty()) {
      messages = FromFolder();
    }
    massAllowed_ = false;
    KeepState();
  }
  if (std::string status = Status(); status != lastStatus_) {
    lastStatus_ = status;
    messages.push_back(std::move(status));
  }
  return messages;
}

void BridgeSession::SelectState(const std::string& browser, const std::string& profile) {
  if (const Result<> made = MakeSharedFolderState(places_.stateFolder); !made) {
    Failed("Cannot keep the bridge's state: " + made.error());
    return;
  }
  statePath_ = places_.stateFolder + PlainKey(browser) + "-" + PlainKey(profile) + ".json";
  state_ = BridgeState::Read(statePath_, places_.favoritesRoot);
}

void BridgeSession::KeepState() {
  if (stateChanged_) {
    stateChanged_ = false;
    if (const Result<> kept = state_.Keep(statePath_, places_.favoritesRoot); !kept) {
      Failed("Cannot keep the bridge's state: " + kept.error());
    }
  }
}

// --- The browser's changes into the Favorites folder ---

void BridgeSession::FromBrowser() {
  std::map<std::string, const BrowserNode*> byId;
  for (const BrowserNode& node : tree_) {
    byId[node.id] = &node;
    if (IsKnownRoot(node.root)) {
      state_.items[node.id] = {"", RootPlace(node.root), node.title, "", "", true, true};
    }
  }
  std::set<std::string> deleted;
  std::vector<std::string> overwritten;
  for (const auto& [id, item] : state_.items) {
    const auto found = byId.find(id);
    if (!item.root && !IsPendingId(id) && found == byId.end()) {
      deleted.insert(id);
    } else if (found != byId.end() && !item.folder && found->second->url != item.url &&
               !found->second->folder) {
      overwritten.push_back(id);
    }
  }
  if (Guarded(true, deleted) || !SaveWhatIsReplaced(deleted, overwritten)) {
    return;
  }
  treeNew_ = false;
  for (const std::string& id : deleted) {
    const BridgeItem& item = state_.items[id];
    if (!state_.Within(item.parent, deleted)) {
      const std::string place = state_.PlaceOf(id);
      if (const auto holder = HolderOf(place, false)) {
        const std::string name = SplitAtLastName(place).name;
        struct stat own;
        if (!item.folder) {
          holder->RemoveFile(name);
        } else if (holder->OwnStatus(&own) == 0) {
          RemoveShortcutTree(*holder, name, own.st_dev);
        }
      }
      Changed();
    }
  }
  state_.Forget(deleted);
  FavoritesListing listing = ListFavorites(places_.favoritesRoot);
  placesTaken_.clear();
  for (const auto& [place, id] : state_.IdsByPlace()) {
    placesTaken_.insert(place);
  }
  refused_.clear();
  for (const BrowserNode& node : tree_) {
    if (node.root.empty() && state_.items.contains(node.parent) && !IsPendingId(node.parent)) {
      Carry(node, listing);
    }
  }
}

void BridgeSession::Carry(const BrowserNode& node, FavoritesListing& listing) {
  if (!node.folder && node.url.starts_with("place:")) {
    return;
  }
  const auto found = state_.items.find(node.id);
  if (found == state_.items.end()) {
    if (!Refused(node) && !Adopt(node, listing)) {
      Create(node);
    }
    return;
  }
  BridgeItem& item = found->second;
  if (item.parent != node.parent || SafeName(item.title) != SafeName(node.title)) {
    MoveOrRename(node, item, node.id);
  }
  item.title = node.title;
  if (!item.folder && item.url != node.url && !Refused(node)) {
    const std::string place = state_.PlaceOf(node.id);
    const auto holder = HolderOf(place, false);
    if (holder && WriteShortcutFile(*holder, SplitAtLastName(place).name, node.url, "", "", true)) {
      item.url = node.url;
      item.fileUrl = UrlAsRead(node.url);
      Changed();
    }
  }
  stateChanged_ = true;
}

bool BridgeSession::Refused(const BrowserNode& node) {
  if (node.folder) {
    return false;
  }
  const std::string name = SafeName(node.title) + ".url";
  FavoriteRecord record;
  record.Name = name;
  record.URL = node.url;
  record.Type = "F";
  Result<> checked = CheckRecord(record);
  if (checked && UrlAsRead(node.url) != node.url) {
    checked = Result<>::Fail("the URL is longer than a shortcut file carries");
  }
  if (!checked) {
    refused_.push_back(node.title + " (" + node.url.substr(0, 80) + "): " + checked.error());
  }
  return !checked;
}

// A bookmark the Favorites folder holds already, by the same name and URL, is the same one.
bool BridgeSession::Adopt(const BrowserNode& node, const FavoritesListing& listing) {
  const std::string parentPlace = state_.PlaceOf(node.parent);
  const std::string base = SafeName(node.title);
  for (int number = 1; number <= kMaxNumberedNames; ++number) {
    const std::string name = NumberedName(base, number, node.folder);
    const auto found = listing.find(JoinPlace(parentPlace, name));
    if (found == listing.end()) {
      return false;
    }
    if (!placesTaken_.contains(found->first) && found->second.folder == node.folder &&
        (node.folder || found->second.url == UrlAsRead(node.url))) {
      state_.items[node.id] = {node.parent,       name,        node.title, node.url,
                               found->second.url, node.folder, false};
      stateChanged_ = true;
      return true;
    }
  }
  return false;
}

void BridgeSession::Create(const BrowserNode& node) {
  const std::string parentPlace = state_.PlaceOf(node.parent);
  const std::string name = FreeName(parentPlace, SafeName(node.title), node.folder);
  const auto holder = name.empty() ? std::nullopt : HolderOf(JoinPlace(parentPlace, name), true);
  if (!holder) {
    return;
  }
  const bool made = node.folder ? holder->Beneath(name, true).ok()
                                : WriteShortcutFile(*holder, name, node.url, "", "", false);
  if (made) {
    state_.items[node.id] = {node.parent,         name,        node.title, node.url,
                             UrlAsRead(node.url), node.folder, false};
    stateChanged_ = true;
    Changed();
  }
}

void BridgeSession::MoveOrRename(const BrowserNode& node, BridgeItem& item, const std::string& id) {
  const std::string from = state_.PlaceOf(id);
  const std::string parentPlace = state_.PlaceOf(node.parent);
  const std::string name = FreeName(parentPlace, SafeName(node.title), item.folder);
  if (name.empty()) {
    return;
  }
  const auto fromHolder = HolderOf(from, false);
  const auto toHolder = HolderOf(JoinPlace(parentPlace, name), true);
  if (fromHolder && toHolder &&
      fromHolder->Move(SplitAtLastName(from).name, *toHolder, name) == 0) {
    item.parent = node.parent;
    item.name = name;
    Changed();
  }
}

std::string BridgeSession::FreeName(const std::string& parentPlace, const std::string& base,
                                    bool folder) const {
  for (int number = 1; number <= kMaxNumberedNames; ++number) {
    const std::string name = NumberedName(base, number, folder);
    if (!Exists(Place(JoinPlace(parentPlace, name)))) {
      return name;
    }
  }
  return "";
}

// --- The Favorites folder's changes into the browser ---

std::set<std::string> BridgeSession::Vanished(const FavoritesListing& listing) const {
  std::set<std::string> vanished;
  for (const auto& [id, item] : state_.items) {
    const auto found = listing.find(state_.PlaceOf(id));
    if (!item.root && (found == listing.end() || found->second.folder != item.folder)) {
      vanished.insert(id);
    }
  }
  return vanished;
}

// A folder that vanished where one of its name or holding all it held appeared, or a
// shortcut that vanished where one with its URL appeared, was moved or renamed: it moves in
// the browser too, keeping its id. Folders first, so that shortcuts can follow into them.
void BridgeSession::FollowMoves(const FavoritesListing& listing,
                                std::vector<std::string>& operations) {
  const auto namesInside = [&](const std::string& place) {
    std::set<std::string> names;
    for (auto at = listing.upper_bound(place + "/");
         at != listing.end() && at->first.starts_with(place + "/"); ++at) {
      if (at->first.find('/', place.size() + 1) == std::string::npos) {
        names.insert(at->first.substr(place.size() + 1));
      }
    }
    return names;
  };
  for (const bool folders : {true, false}) {
    const std::set<std::string> vanished = Vanished(listing);
    const std::map<std::string, std::string> idsByPlace = state_.IdsByPlace();
    std::set<std::string> paired;
    for (const std::string& id : vanished) {
      BridgeItem& item = state_.items[id];
      if (item.folder != folders || state_.Within(item.parent, vanished)) {
        continue;
      }
      std::set<std::string> held;
      for (const auto& [child, childItem] : state_.items) {
        if (childItem.parent == id) {
          held.insert(childItem.name);
        }
      }
      for (const auto& [place, entry] : listing) {
        if (idsByPlace.contains(place) || paired.contains(place) || entry.folder != folders) {
          continue;
        }
        const auto [parentPlace, name] = SplitPlace(place);
        const auto parent = idsByPlace.find(parentPlace);
        const bool same =
            !folders ? entry.url == item.fileUrl
                     : name == item.name ||
                           (!held.empty() && std::ranges::includes(namesInside(place), held));
        if (same && parent != idsByPlace.end() && !IsPendingId(parent->second)) {
          paired.insert(place);
          item.parent = parent->second;
          if (name != item.name) {
            item.name = name;
            item.title = TitleOfName(name, item.folder);
          }
          operations.push_back("{\"op\":\"move\",\"id\":" + JsonString(id) +
                               ",\"parent\":" + JsonString(item.parent) +
                               ",\"title\":" + JsonString(item.title) + "}");
          break;
        }
      }
    }
  }
}

std::vector<std::string> BridgeSession::FromFolder() {
  const FavoritesListing listing = ListFavorites(places_.favoritesRoot);
  std::vector<std::string> operations;
  FollowMoves(listing, operations);
  std::set<std::string> vanished = Vanished(listing);
  // A folder being removed (rm -r, a file manager) may be seen part done: its deletions wait
  // for a second look that finds the same gone, so that the guard counts them whole.
  if (vanished != vanishedLastLook_) {
    vanishedLastLook_ = vanished;
    vanished.clear();
  }
  if (Guarded(false, vanished)) {
    return Batches(operations);  // the moves followed, which delete nothing
  }
  for (const std::string& id : vanished) {
    if (!state_.Within(state_.items[id].parent, vanished)) {
      operations.push_back("{\"op\":\"remove\",\"id\":" + JsonString(id) + "}");
    }
  }
  state_.Forget(vanished);
  for (auto& [id, item] : state_.items) {
    const auto found = listing.find(state_.PlaceOf(id));
    if (!item.folder && !item.root && found != listing.end() && found->second.url != item.fileUrl) {
      operations.push_back("{\"op\":\"update\",\"id\":" + JsonString(id) +
                           ",\"url\":" + JsonString(found->second.url) + "}");
      item.url = item.fileUrl = found->second.url;
    }
  }
  std::map<std::string, std::string> made = state_.IdsByPlace();
  for (const auto& [place, entry] : listing) {  // parents first: a map sorts them so
    const auto [parentPlace, name] = SplitPlace(place);
    const auto parent = made.find(parentPlace);
    if (made.contains(place) || parent == made.end()) {
      continue;
    }
    const std::string id = "?" + std::to_string(++nextRef_);
    const std::string title = TitleOfName(name, entry.folder);
    operations.push_back("{\"op\":\"create\",\"id\":" + JsonString(id) + ",\"parent\":" +
                         JsonString(parent->second) + ",\"title\":" + JsonString(title) +
                         (entry.folder ? "" : ",\"url\":" + JsonString(entry.url)) + "}");
    state_.items[id] = {parent->second, name, title, entry.url, entry.url, entry.folder, false};
    made[place] = id;
  }
  return Batches(operations);
}

std::vector<std::string> BridgeSession::Batches(const std::vector<std::string>& operations) {
  std::vector<std::string> messages;
  for (std::size_t next = 0; next < operations.size();) {
    std::string list;
    for (; next < operations.size() && list.size() + operations[next].size() < kMaxOperationBytes;
         ++next) {
      list += (list.empty() ? "" : ",") + operations[next];
    }
    messages.push_back("{\"type\":\"apply\",\"batch\":" + std::to_string(++sentBatch_) +
                       ",\"ops\":[" + list + "]}");
  }
  if (!operations.empty()) {
    stateChanged_ = true;
    Changed();
  }
  return messages;
}

// --- Safety ---

bool BridgeSession::Guarded(bool fromBrowser, const std::set<std::string>& ids) {
  const std::size_t links = state_.LinksWithin(ids);
  std::size_t total = 0;
  for (const auto& [id, item] : state_.items) {
    total += item.folder ? 0 : 1;
  }
  const DeletionGuard guard{total, 0};
  if (massAllowed_ || !guard.IsMassDeletion(links, total)) {
    return false;
  }
  ask_ = Ask{fromBrowser, ids, links};
  return true;
}

bool BridgeSession::SaveWhatIsReplaced(const std::set<std::string>& deleted,
                                       const std::vector<std::string>& overwritten) {
  std::vector<std::string> places;
  for (const std::string& id : deleted) {
    places.push_back(state_.PlaceOf(id) + (state_.items[id].folder ? "/" : ""));
  }
  for (const std::string& id : overwritten) {
    places.push_back(state_.PlaceOf(id));
  }
  if (places.empty()) {
    return true;
  }
  const Result<std::string> saved =
      SaveRestorePoint(places_.restoreFolder, places_.favoritesRoot, places, now_());
  if (!saved) {
    Failed("Cannot save a restore point, so the browser's changes wait: " + saved.error());
  }
  return saved.ok();
}

std::string BridgeSession::Place(const std::string& place) const {
  return places_.favoritesRoot + place;
}

std::optional<ContainedFolder> BridgeSession::HolderOf(const std::string& place,
                                                       bool create) const {
  const auto root = ContainedFolder::Open(places_.favoritesRoot);
  auto holder = root ? root->Beneath(SplitAtLastName(place).folder, create)
                     : Result<ContainedFolder, BlockedWay>::Fail(BlockedWay::Refused);
  if (!holder) {
    return std::nullopt;
  }
  return std::move(*holder);
}

void BridgeSession::Changed() {
  lastChange_ = FormatGeneralDate(now_(), EnUsGeneralDateFormat());
  error_.clear();
}

void BridgeSession::Failed(const std::string& error) {
  error_ = error;
}

std::string BridgeSession::Status() const {
  std::string refused;
  for (const std::string& entry : refused_) {
    refused += (refused.empty() ? "" : ",") + JsonString(entry);
  }
  std::string ask = "null";
  if (ask_) {
    std::size_t total = 0;
    for (const auto& [id, item] : state_.items) {
      total += item.folder ? 0 : 1;
    }
    ask = "{\"fromBrowser\":" + std::string(ask_->fromBrowser ? "true" : "false") +
          ",\"deleting\":" + std::to_string(ask_->links) + ",\"of\":" + std::to_string(total) + "}";
  }
  return "{\"type\":\"status\",\"favorites\":" + JsonString(places_.favoritesRoot) +
         ",\"lastChange\":" + JsonString(lastChange_) + ",\"error\":" + JsonString(error_) +
         ",\"refused\":[" + refused + "],\"ask\":" + ask + "}";
}

}  // namespace kestrin
