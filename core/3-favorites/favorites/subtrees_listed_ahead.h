#pragma once

#include <condition_variable>
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

// Lists `folder` (absolute, ending in "/") and everything below it.
std::unique_ptr<ListedFolder> ListFolderTree(const std::string& folder, dev_t device);

// The Favorites folder's sub-folders listed on a second thread, from the last one back, while
// the scan goes through them from the first: stating every file is most of a scan, and the
// kernel does that on two cores at once. Each sub-folder is listed by whichever thread comes
// to it first, so the scan waits at most for the one the second thread is listing.
class SubtreesListedAhead {
 public:
  // `folders`: absolute, each ending in "/", in the order of the scan.
  SubtreesListedAhead(std::vector<std::string> folders, dev_t device);
  // The second thread stops after the sub-folder it is listing.
  ~SubtreesListedAhead();
  SubtreesListedAhead(const SubtreesListedAhead&) = delete;
  SubtreesListedAhead& operator=(const SubtreesListedAhead&) = delete;

  // The listing of sub-folder `index` when the second thread took it (waiting until it is
  // done); null when it is the scan's to list. Asked in increasing order.
  std::unique_ptr<ListedFolder> Take(std::size_t index);

 private:
  void ListFromTheBack();

  const std::vector<std::string> folders_;
  const dev_t device_;
  std::mutex mutex_;
  std::condition_variable listed_;
  std::size_t scanned_ = 0;  // the sub-folders before it are the scan's, or taken by it
  std::size_t claimed_;      // from it on, the second thread's
  std::vector<std::unique_ptr<ListedFolder>> done_;
  std::thread thread_;  // last: it starts once the rest is set
};

}  // namespace kestrin
