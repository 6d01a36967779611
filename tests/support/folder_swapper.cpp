#include "tests/support/folder_swapper.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdio>

namespace kestrin::test {

FolderSwapper::FolderSwapper(const std::string& folder, const std::string& link, long maxSwaps)
    : folder_(folder), link_(link) {
  Swap();
  EXPECT_EQ(swaps_, 1) << "cannot swap " << folder << " with " << link;
  thread_ = std::thread([this, maxSwaps] {
    while (!stop_ && swaps_ < maxSwaps) {
      Swap();
    }
  });
}

FolderSwapper::~FolderSwapper() {
  stop_ = true;
  thread_.join();
  if (swaps_ % 2 != 0) {
    Swap();
  }
}

void FolderSwapper::Swap() {
  if (renameat2(AT_FDCWD, folder_.c_str(), AT_FDCWD, link_.c_str(), RENAME_EXCHANGE) == 0) {
    ++swaps_;
  }
}

}  // namespace kestrin::test
