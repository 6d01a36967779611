#include "favorites/subtrees_listed_ahead.h"

#include <system_error>

namespace kestrin {

ListedFolder ListFolder(const std::string& folder, dev_t device,
                        const std::function<void()>& idle) {
  ListedFolder listed;
  VisitFolderEntries(folder, device, [&listed, &idle](const FolderEntry& entry) {
    listed.entries.push_back(entry);
    if (idle) {
      idle();
    }
  });
  listed.folders.resize(listed.entries.size());
  return listed;
}

std::unique_ptr<ListedFolder> ListFolderTree(const std::string& folder, dev_t device,
                                             const std::function<void()>& idle) {
  auto listed = std::make_unique<ListedFolder>(ListFolder(folder, device, idle));
  for (std::size_t i = 0; i < listed->entries.size(); ++i) {
    if (listed->entries[i].kind == EntryKind::Folder) {
      listed->folders[i] = ListFolderTree(folder + listed->entries[i].name + "/", device, idle);
    }
  }
  return listed;
}

SubtreesListedAhead::SubtreesListedAhead(std::vector<std::string> folders, dev_t device,
                                         std::function<void()> idle)
    : folders_(std::move(folders)),
      device_(device),
      idle_(std::move(idle)),
      done_(folders_.size()) {
  // With one sub-folder there is nothing to share.
  if (folders_.size() >= 2) {
    try {
      thread_ = std::thread(&SubtreesListedAhead::ListOnSecondThread, this);
    } catch (const std::system_error&) {
      // No thread to be had: the scan lists every sub-folder itself, as it comes to it.
    }
  }
}

SubtreesListedAhead::~SubtreesListedAhead() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) {
    thread_.join();
  }
}

std::unique_ptr<ListedFolder> SubtreesListedAhead::Take(std::size_t index) {
  std::unique_lock lock(mutex_);
  taking_ = index;
  changed_.notify_all();
  if (index == next_) {
    ++next_;
    return nullptr;
  }
  while (done_[index] == nullptr) {
    if (Claimable()) {
      ListNext(lock, idle_);
    } else if (!changed_.wait_for(lock, kIdleEvery, [&] { return done_[index] != nullptr; }) &&
               idle_) {
      lock.unlock();
      idle_();
      lock.lock();
    }
  }
  return std::move(done_[index]);
}

bool SubtreesListedAhead::Claimable() const {
  return next_ < folders_.size() && next_ <= taking_ + kWindow;
}

void SubtreesListedAhead::ListNext(std::unique_lock<std::mutex>& lock,
                                   const std::function<void()>& idle) {
  const std::size_t index = next_++;
  lock.unlock();
  std::unique_ptr<ListedFolder> listed = ListFolderTree(folders_[index], device_, idle);
  lock.lock();
  done_[index] = std::move(listed);
  changed_.notify_all();
}

void SubtreesListedAhead::ListOnSecondThread() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || next_ == folders_.size() || Claimable(); });
    if (stopping_ || next_ == folders_.size()) {
      return;
    }
    ListNext(lock, {});
  }
}

}  // namespace kestrin
