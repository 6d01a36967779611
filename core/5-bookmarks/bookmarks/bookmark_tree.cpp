#include "bookmarks/bookmark_tree.h"

#include <algorithm>

namespace kestrin {

BookmarkCount CountBookmarks(const Bookmark& folder) {
  BookmarkCount count;
  for (const Bookmark& entry : folder.children) {
    if (entry.folder) {
      const BookmarkCount inside = CountBookmarks(entry);
      count.folders += 1 + inside.folders;
      count.links += inside.links;
    } else {
      ++count.links;
    }
  }
  return count;
}

void BookmarkTreeBuilder::OpenFolder(std::string title) {
  if (Hidden()) {
    ++hidden_;
    ++tooDeep_;
    return;
  }
  open_.back()->children.push_back(Bookmark::Folder(std::move(title)));
  open_.push_back(&open_.back()->children.back());
}

void BookmarkTreeBuilder::CloseFolder() {
  if (hidden_ > 0) {
    --hidden_;
  } else if (open_.size() > 1) {
    open_.pop_back();
  }
}

void BookmarkTreeBuilder::AddLink(std::string title, std::string url) {
  if (hidden_ > 0) {
    ++tooDeep_;
  } else if (TakesLink(url)) {
    open_.back()->children.push_back(Bookmark::Link(std::move(title), std::move(url)));
  }
}

void BookmarkTreeBuilder::AddFolder(Bookmark folder) {
  if (Hidden()) {
    const BookmarkCount inside = CountBookmarks(folder);
    tooDeep_ += 1 + inside.folders + inside.links;
    return;
  }
  Prune(folder, open_.size() + 1);
  open_.back()->children.push_back(std::move(folder));
}

void BookmarkTreeBuilder::Prune(Bookmark& folder, std::size_t level) {
  std::erase_if(folder.children, [&](Bookmark& entry) {
    if (!entry.folder) {
      return !TakesLink(entry.url);
    }
    if (level > kMaxBookmarkDepth) {
      const BookmarkCount inside = CountBookmarks(entry);
      tooDeep_ += 1 + inside.folders + inside.links;
      return true;
    }
    Prune(entry, level + 1);
    return false;
  });
}

bool BookmarkTreeBuilder::TakesLink(const std::string& url) {
  if (url.empty()) {
    ++withoutUrl_;
    return false;
  }
  if (url.starts_with("place:")) {
    ++queries_;
    return false;
  }
  return true;
}

Bookmarks BookmarkTreeBuilder::Take() {
  for (const auto& [count, why] :
       {std::pair{tooDeep_, "nested deeper than " + std::to_string(kMaxBookmarkDepth) + " folders"},
        {withoutUrl_, std::string("links without a URL")},
        {queries_,
         std::string("Firefox queries (\"place:\"), which open nothing outside Firefox")}}) {
    if (count > 0) {
      result_.leftOut.push_back(std::to_string(count) + " entries: " + why);
    }
  }
  return std::move(result_);
}

}  // namespace kestrin
