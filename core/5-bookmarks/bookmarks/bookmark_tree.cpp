#include "bookmarks/bookmark_tree.h"

namespace kestrin {

void BookmarkTreeBuilder::OpenFolder(std::string title) {
  if (hidden_ > 0 || open_.size() > kMaxBookmarkDepth) {
    ++hidden_;
    ++result_.tooDeep;
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
    ++result_.tooDeep;
    return;
  }
  open_.back()->children.push_back(Bookmark::Link(std::move(title), std::move(url)));
}

}  // namespace kestrin
