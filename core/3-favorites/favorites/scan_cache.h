#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "favorites/folder_entries.h"
#include "platform/result.h"

namespace kestrin {

// How the record lines a cache keeps were written: a cache kept for another form is not taken.
struct RecordLineForm {
  bool encoded = false;       // Radix-64 fields
  bool ansiCodePage = false;  // the list's text in the ANSI code page
  bool operator==(const RecordLineForm&) const = default;
};

// Each shortcut file's record line as the last scan wrote it, from the comma after its
// Modified field on, so that a scan reads, checks and writes anew only the files that changed
// since. A scan looks up every shortcut file and remembers what it wrote; the next cache holds
// exactly those files. Kept as one file that is taken whole or not at all: a file of another
// Favorites folder, line form or version, or one that is damaged in any byte, gives an empty
// cache.
class ScanCache {
 public:
  using Clock = std::chrono::system_clock;

  // The cache kept at `path` for the scan of `favoritesRoot` in lines of `form` that begins
  // at `scanStart`.
  static ScanCache Load(const std::string& path, const std::string& favoritesRoot,
                        RecordLineForm form, Clock::time_point scanStart);

  RecordLineForm form() const { return form_; }

  // The file's line after its Modified field when its identity is the one remembered and that
  // identity is sure: a file written within kUnsureSpan of the last scan's start could have
  // been written again afterwards without a change of its times, so it is read again. Its
  // Modified field comes from the time in that identity.
  // The view is good as long as the cache is. A scan asks in the order of the last one, so
  // the entry after the last one found is looked at first.
  std::optional<std::string_view> Find(std::string_view relativePath, const FileIdentity& identity);
  // Keeps the file's line after its Modified field for the next scan.
  void Remember(std::string_view relativePath, const FileIdentity& identity,
                std::string_view lineAfterModified);
  // Replaces the cache at `path` with the files remembered, private to the user, unless it
  // holds them already.
  Result<> Save(const std::string& path);

  // Longer than any file system's time step (two seconds on FAT).
  static constexpr std::chrono::seconds kUnsureSpan{3};

 private:
  ScanCache(const std::string& favoritesRoot, RecordLineForm form, Clock::time_point scanStart);
  bool Check(std::string_view entries);
  void Index();
  std::optional<std::uint32_t> Slot(std::string_view relativePath);
  std::optional<std::uint32_t> OffsetOf(std::string_view relativePath);
  // Where each stretch of the next cache's entries comes from.
  enum class Part { Loaded, Added };
  struct Stretch {
    Part from;
    std::size_t offset;
    std::size_t size;
  };
  void Keep(Part from, std::size_t offset, std::size_t size);

  RecordLineForm form_;
  std::string loaded_;                // the last scan's cache, whole and checked
  std::size_t first_ = 0;             // the offset of the first entry in loaded_
  std::size_t entries_ = 0;           // how many loaded_ holds
  std::vector<std::uint32_t> slots_;  // open addressing: offset in loaded_ + 1, 0 when free;
                                      // filled when first needed
  std::int64_t sureBefore_ = 0;       // in nanoseconds since the epoch
  std::size_t following_ = 0;         // the offset of the entry after the last one found
  bool renewed_ = false;              // a file was asked for that the cache did not know sure
  std::optional<std::size_t> found_;  // the offset of the entry found last, until remembered
  // The cache this scan writes: its header, then stretches of entries, each either loaded
  // unchanged or added (so that a cache much like the last one is not copied whole).
  std::string header_;
  std::string added_;
  std::vector<Stretch> parts_;
};

}  // namespace kestrin
