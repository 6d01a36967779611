#include "bookmarks/chromium_bookmarks.h"

#include <vector>

#include "bookmarks/json_reader.h"

namespace kestrin {
namespace {

// Keeps, while the JSON is read, only what the bookmarks are made of: a file of many small
// values then costs little more than the bookmarks it holds.
class ChromiumReader : public JsonVisitor {
 public:
  Result<Bookmarks> Read(std::string_view json) {
    if (const Result<> read = ReadJson(json, *this); !read) {
      return Result<Bookmarks>::Fail(read.error());
    }
    if (!sawRoots_) {
      return Result<Bookmarks>::Fail("no \"roots\" object: not a bookmarks file");
    }
    // A node's "children" come before its "name" and "type" in the file, so the tree is
    // built from its leaves up and then handed to the builder, which keeps its rules.
    BookmarkTreeBuilder tree;
    for (Bookmark& root : roots_) {
      root.folder = true;
      tree.AddFolder(std::move(root));
    }
    return Result<Bookmarks>::Ok(tree.Take());
  }

 private:
  // What an object or array is to the bookmarks: the document, its "roots" object, one of
  // the roots, a "children" array, a bookmark node in it, or nothing.
  enum class Role { Document, Roots, Root, Children, Node, Other };

  struct Frame {
    Role role;
    std::string member;  // of an object, the member whose value is being read
    std::string type;
    Bookmark bookmark;
  };

  Role RoleOfNext(bool object) const {
    if (frames_.empty()) {
      return object ? Role::Document : Role::Other;
    }
    const Frame& parent = frames_.back();
    switch (parent.role) {
      case Role::Document:
        return object && parent.member == "roots" ? Role::Roots : Role::Other;
      case Role::Roots:
        return object ? Role::Root : Role::Other;
      case Role::Root:
      case Role::Node:
        return !object && parent.member == "children" ? Role::Children : Role::Other;
      case Role::Children:
        return object ? Role::Node : Role::Other;
      case Role::Other:
        break;
    }
    return Role::Other;
  }

  void BeginObject() override { frames_.push_back({RoleOfNext(true), {}, {}, {}}); }
  void BeginArray() override { frames_.push_back({RoleOfNext(false), {}, {}, {}}); }
  void EndArray() override { frames_.pop_back(); }
  void MemberName(std::string name) override { frames_.back().member = std::move(name); }
  void OtherValue(std::string_view) override {}

  void String(std::string value) override {
    Frame& frame = frames_.back();
    if (frame.role != Role::Root && frame.role != Role::Node) {
      return;
    }
    if (frame.member == "type") {
      frame.type = std::move(value);
    } else if (frame.member == "name") {
      frame.bookmark.title = std::move(value);
    } else if (frame.member == "url") {
      frame.bookmark.url = std::move(value);
    }
  }

  void EndObject() override {
    Frame done = std::move(frames_.back());
    frames_.pop_back();
    switch (done.role) {
      case Role::Roots:
        sawRoots_ = true;
        break;
      case Role::Root:
        if (!done.bookmark.children.empty()) {
          roots_.push_back(std::move(done.bookmark));
        }
        break;
      case Role::Node:
        if (done.type == "folder" || done.type == "url") {
          done.bookmark.folder = done.type == "folder";
          // frames_.back() is the "children" array; the node's owner lies below it.
          frames_[frames_.size() - 2].bookmark.children.push_back(std::move(done.bookmark));
        }
        break;
      default:
        break;
    }
  }

  std::vector<Frame> frames_;
  std::vector<Bookmark> roots_;
  bool sawRoots_ = false;
};

}  // namespace

Result<Bookmarks> ParseChromiumBookmarks(std::string_view json) {
  return ChromiumReader().Read(json);
}

}  // namespace kestrin
