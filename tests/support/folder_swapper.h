#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace kestrin::test {

// While it lives, a thread swaps a folder with a symbolic link beside it that leads
// elsewhere, over and over, as someone racing the program would: at most `maxSwaps` times.
// It starts swapping before the constructor returns, and leaves the folder in its place.
class FolderSwapper {
 public:
  FolderSwapper(const std::string& folder, const std::string& link, long maxSwaps = 10'000'000);
  ~FolderSwapper();
  FolderSwapper(const FolderSwapper&) = delete;
  FolderSwapper& operator=(const FolderSwapper&) = delete;

 private:
  void Swap();

  const std::string folder_, link_;
  std::atomic<bool> stop_{false};
  std::atomic<long> swaps_{0};
  std::thread thread_;
};

}  // namespace kestrin::test
