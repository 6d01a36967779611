#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "favorites/folder_entries.h"
#include "favorites/shortcut_file.h"
#include "platform/result.h"

namespace kestrin {

// The values read from each shortcut file at the last scan, so that a scan reads only the
// files that changed since. A scan looks up every shortcut file and remembers what it used;
// the next cache holds exactly those files. Kept as one file that is taken whole or not at
// all: a file of another Favorites folder or another version, or one that is damaged in any
// byte, gives an empty cache.
class ScanCache {
 public:
  using Clock = std::chrono::system_clock;

  // The cache kept at `path` for the scan of `favoritesRoot` that begins at `scanStart`.
  static ScanCache Load(const std::string& path, const std::string& favoritesRoot,
                        Clock::time_point scanStart);

  // The values of the file when its identity is the one remembered and that identity is
  // sure: a file written within kUnsureSpan of the last scan's start could have been written
  // again afterwards without a change of its times, so it is read again.
  // The views are good as long as the cache is. A scan asks in the order of the last one, so
  // the entry after the last one found is looked at first.
  std::optional<ShortcutValueViews> Find(std::string_view relativePath,
                                         const FileIdentity& identity);
  // Keeps the file's values for the next scan.
  void Remember(std::string_view relativePath, const FileIdentity& identity,
                const ShortcutValueViews& values);
  // Replaces the cache at `path` with the files remembered, private to the user, unless it
  // holds them already.
  Result<> Save(const std::string& path);

  // Longer than any file system's time step (two seconds on FAT).
  static constexpr std::chrono::seconds kUnsureSpan{3};

 private:
  ScanCache(const std::string& favoritesRoot, Clock::time_point scanStart);
  bool Check(std::string_view entries);
  void Index();
  std::optional<std::uint32_t> Slot(std::string_view relativePath);
  std::optional<std::uint32_t> OffsetOf(std::string_view relativePath);

  std::string loaded_;                // the last scan's cache, whole and checked
  std::size_t first_ = 0;             // the offset of the first entry in loaded_
  std::size_t entries_ = 0;           // how many loaded_ holds
  std::vector<std::uint32_t> slots_;  // open addressing: offset in loaded_ + 1, 0 when free;
                                      // filled when first needed
  std::int64_t sureBefore_ = 0;       // in nanoseconds since the epoch
  std::size_t following_ = 0;         // the offset of the entry after the last one found
  bool renewed_ = false;              // a file was asked for that the cache did not know sure
  std::string next_;                  // the cache this scan writes
};

}  // namespace kestrin
