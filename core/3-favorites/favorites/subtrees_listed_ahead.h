#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "favorites/folder_entries.h"

namespace kestrin {

// A folder's entries as VisitFolderEntries delivers them, with each sub-folder's listing.
struct ListedFolder {
  std::vector<FolderEntry> entries;
  std::vector<std::unique_ptr<ListedFolder>> folders;  // beside `entries`; null but for folders
};

// Lists `folder` (absolute, ending in "/"): its entries alone, or with everything below them.
// `idle`, if any, is called after every entry.
ListedFolder ListFolder(const std::string& folder, dev_t device,
                        const std::function<void()>& idle = {});
std::unique_ptr<ListedFolder> ListFolderTree(const std::string& folder, dev_t device,
                                             const std::function<void()>& idle = {});

// The Favorites folder's sub-folders listed by two threads at once, the scan's and a second
// one: stating every file is most of a scan, and the kernel does that on both cores. Each
// thread lists the next sub-folder that neither has taken, the second one up to kWindow
// beyond the one the scan writes, so that the listings waiting to be written stay few. A
// sub-folder that the scan comes to before either has taken it is the scan's to go through
// as it lists it: a Favorites folder with one large sub-folder is scanned as it was before.
// `idle` runs on the scan's thread while it lists ahead or waits, so that a window stays
// responsive.
class SubtreesListedAhead {
 public:
  // `folders`: absolute, each ending in "/", in the order of the scan.
  SubtreesListedAhead(std::vector<std::string> folders, dev_t device, std::function<void()> idle);
  // The second thread stops after the sub-folder it is listing.
  ~SubtreesListedAhead();
  SubtreesListedAhead(const SubtreesListedAhead&) = delete;
  SubtreesListedAhead& operator=(const SubtreesListedAhead&) = delete;

  // The listing of sub-folder `index`, asked for in increasing order; null when it is the
  // caller's to list. While the second thread lists it, the calling thread lists the next
  // ones.
  std::unique_ptr<ListedFolder> Take(std::size_t index);

 private:
  static constexpr std::size_t kWindow = 4;
  static constexpr std::chrono::milliseconds kIdleEvery{10};

  bool Claimable() const;
  // Lists the next sub-folder, with the lock let go meanwhile.
  void ListNext(std::unique_lock<std::mutex>& lock, const std::function<void()>& idle);
  void ListOnSecondThread();

  const std::vector<std::string> folders_;
  const dev_t device_;
  const std::function<void()> idle_;  // the scan's
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t next_ = 0;    // the first sub-folder that neither thread has taken
  std::size_t taking_ = 0;  // the one the scan asked for last
  bool stopping_ = false;
  std::vector<std::unique_ptr<ListedFolder>> done_;
  std::thread thread_;  // last: it starts once the rest is set
};

}  // namespace kestrin
