#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrin {

// What tells that something in the Favorites folder (absolute, ending in "/") changed: each
// folder's and shortcut's name with its file's identity (size, times, inode), folded into one
// number. Links are not followed.
std::uint64_t FavoritesFingerprint(const std::string& favoritesRoot);

// Says once when the Favorites have stayed the same for `quietTicks` ticks after a change, so
// that a run starts after the last of a burst of changes, not during it.
class QuietAfterChange {
 public:
  explicit QuietAfterChange(int quietTicks) : quietTicks_(quietTicks) {}

  // One tick with the fingerprint seen now; true on the tick the quiet time runs out. The
  // first fingerprint seen is no change.
  bool Tick(std::uint64_t fingerprint);
  // Takes the fingerprint as seen, with no change pending: after a run changed the folder.
  void Rebase(std::uint64_t fingerprint);

 private:
  int quietTicks_;
  std::optional<std::uint64_t> seen_;
  std::optional<int> quietFor_;  // ticks since the last change, while one is pending
};

}  // namespace kestrin
