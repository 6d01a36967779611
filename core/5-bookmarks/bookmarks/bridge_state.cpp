#include "bookmarks/bridge_state.h"

#include <algorithm>

#include "bookmarks/favorites_listing.h"
#include "bookmarks/json_text.h"
#include "bookmarks/json_value.h"
#include "platform/atomic_file.h"
#include "platform/whole_file.h"

namespace kestrin {

std::string BridgeState::PlaceOf(const std::string& id) const {
  const auto found = items.find(id);
  if (found == items.end()) {
    return "";
  }
  const BridgeItem& item = found->second;
  return item.root ? item.name : JoinPlace(PlaceOf(item.parent), item.name);
}

bool BridgeState::Within(const std::string& id, const std::set<std::string>& ids) const {
  // Bounded by the number of items, in case a damaged state made a loop.
  std::string at = id;
  for (std::size_t step = 0; step <= items.size() && !at.empty(); ++step) {
    if (ids.contains(at)) {
      return true;
    }
    const auto found = items.find(at);
    at = found == items.end() ? "" : found->second.parent;
  }
  return false;
}

void BridgeState::Forget(const std::set<std::string>& ids) {
  std::erase_if(items, [&](const auto& entry) { return Within(entry.first, ids); });
}

std::map<std::string, std::string> BridgeState::IdsByPlace() const {
  std::map<std::string, std::string> ids;
  for (const auto& [id, item] : items) {
    ids[PlaceOf(id)] = id;
  }
  return ids;
}

void BridgeState::Rename(const std::string& pendingId, const std::string& id) {
  const auto found = items.find(pendingId);
  if (found == items.end() || items.contains(id)) {
    return;
  }
  items[id] = found->second;
  items.erase(pendingId);
  for (auto& [child, item] : items) {
    if (item.parent == pendingId) {
      item.parent = id;
    }
  }
}

std::size_t BridgeState::LinksWithin(const std::set<std::string>& ids) const {
  return static_cast<std::size_t>(std::ranges::count_if(
      items, [&](const auto& entry) { return !entry.second.folder && Within(entry.first, ids); }));
}

BridgeState BridgeState::Read(const std::string& path, const std::string& favoritesRoot) {
  BridgeState state;
  const auto bytes = ReadOrdinaryFile(path, 256u << 20);
  const Result<JsonValue> json = bytes ? ParseJson(*bytes) : Result<JsonValue>::Fail("");
  const JsonValue* list = json ? json->Member("items") : nullptr;
  if (!list || json->StringMember("favorites") != favoritesRoot) {
    return state;
  }
  for (const JsonValue& entry : list->items) {
    const auto flag = [&](std::string_view name) {
      const JsonValue* value = entry.Member(name);
      return value && value->text == "true";
    };
    state.items[entry.StringMember("id")] = {entry.StringMember("parent"),
                                             entry.StringMember("name"),
                                             entry.StringMember("title"),
                                             entry.StringMember("url"),
                                             entry.StringMember("fileUrl"),
                                             flag("folder"),
                                             flag("root")};
  }
  std::set<std::string> pending;
  for (const auto& [id, item] : state.items) {
    if (IsPendingId(id) || (!item.root && !state.items.contains(item.parent))) {
      pending.insert(id);
    }
  }
  state.Forget(pending);
  return state;
}

Result<> BridgeState::Keep(const std::string& path, const std::string& favoritesRoot) const {
  std::string json = "{\"favorites\":" + JsonString(favoritesRoot) + ",\"items\":[";
  for (const auto& [id, item] : items) {
    json += (json.ends_with('[') ? "" : ",");
    json += "{\"id\":" + JsonString(id) + ",\"parent\":" + JsonString(item.parent) +
            ",\"name\":" + JsonString(item.name) + ",\"title\":" + JsonString(item.title) +
            ",\"url\":" + JsonString(item.url) + ",\"fileUrl\":" + JsonString(item.fileUrl) +
            ",\"folder\":" + (item.folder ? "true" : "false") +
            ",\"root\":" + (item.root ? "true" : "false") + "}";
  }
  return WriteFileAtomically(path, json + "]}\n", 0600);
}

}  // namespace kestrin
