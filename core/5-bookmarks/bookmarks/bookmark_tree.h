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

// The folders and links in the tree below the folder.
struct BookmarkCount {
  std::size_t folders = 0;
  std::size_t links = 0;
};
BookmarkCount CountBookmarks(const Bookmark& folder);

struct Bookmarks {
  Bookmark root = Bookmark::Folder("");
  // What the reader left out, each as "<what>: <why>" ("3 entries: nested deeper than 64
  // folders").
  std::vector<std::string> leftOut;
};

// Builds a tree from a reader's walk: folders opened and closed around their links. Left
// out and counted: what lies deeper than kMaxBookmarkDepth, links without a URL, and
// Firefox's queries ("place:" URLs), which open nothing outside Firefox.
class BookmarkTreeBuilder {
 public:
  BookmarkTreeBuilder() = default;
  BookmarkTreeBuilder(const BookmarkTreeBuilder&) = delete;
  BookmarkTreeBuilder& operator=(const BookmarkTreeBuilder&) = delete;

  void OpenFolder(std::string title);
  void CloseFolder();  // a close without an open folder is ignored
  void AddLink(std::string title, std::string url);
  // A folder read whole, with all it holds, under the same rules; kept where it lies.
  void AddFolder(Bookmark folder);
  Bookmarks Take();

 private:
  bool Hidden() const { return hidden_ > 0 || open_.size() > kMaxBookmarkDepth; }
  bool TakesLink(const std::string& url);  // counts the link when not
  // Leaves out of a folder opened at `level` (as open_.size() counts) what a walk would.
  void Prune(Bookmark& folder, std::size_t level);

  Bookmarks result_;
  std::vector<Bookmark*> open_{&result_.root};
  std::size_t hidden_ = 0;  // folders open beyond the depth limit
  std::size_t tooDeep_ = 0;
  std::size_t withoutUrl_ = 0;
  std::size_t queries_ = 0;
};

}  // namespace kestrin
