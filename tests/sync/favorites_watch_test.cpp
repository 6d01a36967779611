// The watch behind "Sync when Favorites change": what counts as a change, and a run only
// after the folder has been quiet a while.

#include "sync/favorites_watch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

namespace fs = std::filesystem;

struct FolderChange {
  const char* what;
  std::function<void(const std::string&)> make;
  bool counts;
};

TEST(FavoritesWatch, FingerprintChangesWithWhatTheFolderHolds) {
  const std::vector<FolderChange> changes = {
      {"a shortcut created", [](auto& r) { test::WriteFileBytes(r + "a.url", "x"); }, true},
      {"its URL changed", [](auto& r) { test::WriteFileBytes(r + "a.url", "yy"); }, true},
      {"renamed", [](auto& r) { fs::rename(r + "a.url", r + "b.url"); }, true},
      {"a folder created", [](auto& r) { fs::create_directory(r + "Work"); }, true},
      {"moved into it", [](auto& r) { fs::rename(r + "b.url", r + "Work/b.url"); }, true},
      {"deleted", [](auto& r) { fs::remove(r + "Work/b.url"); }, true},
      {"a file that is no shortcut", [](auto& r) { test::WriteFileBytes(r + "notes.txt", "n"); },
       false},
  };
  test::TempDir dir;
  std::uint64_t before = FavoritesFingerprint(dir.path());
  EXPECT_EQ(FavoritesFingerprint(dir.path()), before);
  for (const FolderChange& change : changes) {
    change.make(dir.path());
    const std::uint64_t after = FavoritesFingerprint(dir.path());
    EXPECT_EQ(after != before, change.counts) << change.what;
    before = after;
  }
}

TEST(FavoritesWatch, SaysOnceAfterTheQuietTimeFollowingTheLastChange) {
  QuietAfterChange quiet(3);
  // The first look is no change; then a change, and one more during the quiet time.
  const std::vector<std::pair<std::uint64_t, bool>> ticks = {
      {1, false}, {1, false}, {2, false}, {2, false}, {3, false}, {3, false},
      {3, false}, {3, true},  {3, false}, {3, false}, {3, false}, {3, false}};
  for (std::size_t i = 0; i < ticks.size(); ++i) {
    EXPECT_EQ(quiet.Tick(ticks[i].first), ticks[i].second) << "tick " << i;
  }
  // A run's own changes are taken as seen.
  quiet.Rebase(4);
  for (int i = 0; i < 5; ++i) {
    EXPECT_FALSE(quiet.Tick(4));
  }
}

}  // namespace
}  // namespace kestrin
