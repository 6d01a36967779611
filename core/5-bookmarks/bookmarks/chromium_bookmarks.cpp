#include "bookmarks/chromium_bookmarks.h"

#include "bookmarks/json_value.h"

namespace kestrin {
namespace {

void AddChildren(const JsonValue& folder, BookmarkTreeBuilder& tree) {
  const JsonValue* children = folder.Member("children");
  if (!children) {
    return;
  }
  for (const JsonValue& node : children->items) {
    const std::string type = node.StringMember("type");
    if (type == "folder") {
      tree.OpenFolder(node.StringMember("name"));
      AddChildren(node, tree);
      tree.CloseFolder();
    } else if (type == "url") {
      tree.AddLink(node.StringMember("name"), node.StringMember("url"));
    }
  }
}

}  // namespace

Result<Bookmarks> ParseChromiumBookmarks(std::string_view json) {
  const Result<JsonValue> document = ParseJson(json);
  if (!document) {
    return Result<Bookmarks>::Fail(document.error());
  }
  const JsonValue* roots = document->Member("roots");
  if (!roots || roots->kind != JsonValue::Kind::Object) {
    return Result<Bookmarks>::Fail("no \"roots\" object: not a bookmarks file");
  }
  BookmarkTreeBuilder tree;
  for (const auto& [key, root] : roots->members) {
    const JsonValue* children = root.Member("children");
    if (children && !children->items.empty()) {
      tree.OpenFolder(root.StringMember("name"));
      AddChildren(root, tree);
      tree.CloseFolder();
    }
  }
  return Result<Bookmarks>::Ok(tree.Take());
}

}  // namespace kestrin
