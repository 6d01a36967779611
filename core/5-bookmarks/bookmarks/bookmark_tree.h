#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "favorites/record_rule.h"

namespace kestrin {

// A browser's bookmark: a folder with what it holds, or a link.
struct Bookmark {
  std::string title;
  std::string url;  // empty for a folder
  bool folder = false;
  std::int64_t modified = 0;  // seconds since 1970; 0 when unknown
  std::vector<Bookmark> children;

  static Bookmark Folder(std::string title, std::int64_t modified = 0) {
    Bookmark folder;
    folder.title = std::move(title);
    folder.folder = true;
    folder.modified = modified;
    return folder;
  }
  static Bookmark Link(std::string title, std::string url, std::int64_t modified = 0) {
    Bookmark link;
    link.title = std::move(title);
    link.url = std::move(url);
    link.modified = modified;
    return link;
  }

  bool operator==(const Bookmark&) const = default;
};

// Folders nest no deeper than a Favorites folder can carry: what lies deeper is left out
// while reading, so that a hostile file cannot build a tree that takes the stack.
inline constexpr std::size_t kMaxBookmarkDepth = kMaxPathComponents;

struct Bookmarks {
  Bookmark root = Bookmark::Folder("");
  std::size_t tooDeep = 0;  // entries left out for lying deeper than kMaxBookmarkDepth
};

// Builds a tree from a reader's walk: folders opened and closed around their links.
class BookmarkTreeBuilder {
 public:
  BookmarkTreeBuilder() = default;
  BookmarkTreeBuilder(const BookmarkTreeBuilder&) = delete;
  BookmarkTreeBuilder& operator=(const BookmarkTreeBuilder&) = delete;

  void OpenFolder(std::string title);
  void CloseFolder();  // a close without an open folder is ignored
  void AddLink(std::string title, std::string url);
  Bookmarks Take() { return std::move(result_); }

 private:
  Bookmarks result_;
  std::vector<Bookmark*> open_{&result_.root};
  std::size_t hidden_ = 0;  // folders open beyond the depth limit
};

}  // namespace kestrin
