#include "favorites/subtrees_listed_ahead.h"

#include <algorithm>

namespace kestrin {

std::unique_ptr<ListedFolder> ListFolderTree(const std::string& folder, dev_t device) {
  auto listed = std::make_unique<ListedFolder>();
  VisitFolderEntries(folder, device,
                     [&listed](const FolderEntry& entry) { listed->entries.push_back(entry); });
  listed->folders.resize(listed->entries.size());
  for (std::size_t i = 0; i < listed->entries.size(); ++i) {
    if (listed->entries[i].kind == EntryKind::Folder) {
      listed->folders[i] = ListFolderTree(folder + listed->entries[i].name + "/", device);
    }
  }
  return listed;
}

SubtreesListedAhead::SubtreesListedAhead(std::vector<std::string> folders, dev_t device)
    : folders_(std::move(folders)),
      device_(device),
      claimed_(folders_.size()),
      done_(folders_.size()) {
  // With one sub-folder there is nothing to share.
  if (folders_.size() >= 2) {
    thread_ = std::thread(&SubtreesListedAhead::ListFromTheBack, this);
  }
}

SubtreesListedAhead::~SubtreesListedAhead() {
  {
    const std::lock_guard lock(mutex_);
    scanned_ = folders_.size();
  }
  if (thread_.joinable()) {
    thread_.join();
  }
}

std::unique_ptr<ListedFolder> SubtreesListedAhead::Take(std::size_t index) {
  std::unique_lock lock(mutex_);
  if (index < claimed_) {
    scanned_ = std::max(scanned_, index + 1);
    return nullptr;
  }
  listed_.wait(lock, [&] { return done_[index] != nullptr; });
  return std::move(done_[index]);
}

void SubtreesListedAhead::ListFromTheBack() {
  for (;;) {
    std::size_t index = 0;
    {
      const std::lock_guard lock(mutex_);
      if (claimed_ <= scanned_) {
        return;
      }
      index = --claimed_;
    }
    std::unique_ptr<ListedFolder> listed = ListFolderTree(folders_[index], device_);
    {
      const std::lock_guard lock(mutex_);
      done_[index] = std::move(listed);
    }
    listed_.notify_one();
  }
}

}  // namespace kestrin
