// The scan cache's file: a header that names the version, the Favorites folder, the line form
// (with the ANSI code page it is in) and when the scan began; one entry a shortcut file (the
// lengths of its path and line, the identity, then the path relative to the Favorites folder and
// the line after its Modified field); and a checksum over all of it.

#include "favorites/scan_cache.h"

#include <cstring>
#include <functional>

#include "platform/atomic_file.h"
#include "platform/system_text.h"
#include "platform/whole_file.h"

namespace kestrin {
namespace {

// "record lines": a cache that kept the values read from each file is not taken (nor its
// checksum of one lane).
constexpr std::string_view kMagic = "kestrin scan cache " KESTRIN_VERSION " record lines\n";
constexpr std::size_t kLengthBytes = sizeof(std::uint16_t) + sizeof(std::uint32_t);
constexpr std::size_t kIdentityNumbers = 7;
constexpr std::size_t kEntryHead = kLengthBytes + kIdentityNumbers * 8;
constexpr std::size_t kChecksumBytes = sizeof(std::uint64_t);
constexpr std::size_t kScanStartBytes = sizeof(std::int64_t);  // the header's last part

template <typename T>
void Append(std::string& out, T number) {
  char bytes[sizeof number];
  std::memcpy(bytes, &number, sizeof number);
  out.append(bytes, sizeof number);
}

template <typename T>
T NumberAt(std::string_view bytes, std::size_t offset) {
  T number;
  std::memcpy(&number, bytes.data() + offset, sizeof number);
  return number;
}

std::int64_t Nanoseconds(std::int64_t seconds, std::int64_t nanoseconds) {
  return seconds * 1'000'000'000 + nanoseconds;
}

// Any damaged byte changes it: each step (xor, multiplication by an odd number, xor-shift)
// can be undone, so two inputs that differ in one word never give the same sum. Four lanes
// take turns word by word, so that the processor works on four words at once; the lanes are
// mixed into the sum by the same steps.
std::uint64_t Checksum(std::string_view bytes) {
  constexpr std::size_t kLanes = 4;
  const auto mix = [](std::uint64_t& sum, std::uint64_t word) {
    sum = (sum ^ word) * 0x100000001b3u;
    sum ^= sum >> 29;
  };
  std::uint64_t lanes[kLanes];
  for (std::size_t lane = 0; lane < kLanes; ++lane) {
    lanes[lane] = (0x9e3779b97f4a7c15u ^ bytes.size()) + lane;
  }
  std::size_t at = 0;
  for (; at + kLanes * 8 <= bytes.size(); at += kLanes * 8) {
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
      mix(lanes[lane], NumberAt<std::uint64_t>(bytes, at + lane * 8));
    }
  }
  for (; at < bytes.size(); ++at) {
    mix(lanes[0], static_cast<unsigned char>(bytes[at]));
  }
  std::uint64_t sum = lanes[0];
  for (std::size_t lane = 1; lane < kLanes; ++lane) {
    mix(sum, lanes[lane]);
  }
  return sum;
}

// One entry of a cache whose bytes were checked: its parts as views.
struct Entry {
  FileIdentity identity;
  std::string_view key;
  std::string_view line;  // after the Modified field

  static std::size_t KeySize(std::string_view bytes, std::size_t offset) {
    return NumberAt<std::uint16_t>(bytes, offset);
  }
  static std::size_t LineSize(std::string_view bytes, std::size_t offset) {
    return NumberAt<std::uint32_t>(bytes, offset + sizeof(std::uint16_t));
  }

  static Entry At(std::string_view bytes, std::size_t offset) {
    Entry entry{};
    std::int64_t numbers[kIdentityNumbers];
    std::memcpy(numbers, bytes.data() + offset + kLengthBytes, sizeof numbers);
    entry.identity = {static_cast<std::uint64_t>(numbers[0]),
                      static_cast<std::uint64_t>(numbers[1]),
                      static_cast<std::uint64_t>(numbers[2]),
                      numbers[3],
                      numbers[4],
                      numbers[5],
                      numbers[6]};
    const std::size_t keySize = KeySize(bytes, offset);
    entry.key = bytes.substr(offset + kEntryHead, keySize);
    entry.line = bytes.substr(offset + kEntryHead + keySize, LineSize(bytes, offset));
    return entry;
  }

  // The entry's length in the file.
  std::size_t Size() const { return kEntryHead + key.size() + line.size(); }
};

std::size_t HashOf(std::string_view key) {
  return std::hash<std::string_view>{}(key);
}

}  // namespace

ScanCache::ScanCache(const std::string& favoritesRoot, RecordLineForm form,
                     Clock::time_point scanStart)
    : form_(form) {
  next_ = kMagic;
  Append(next_, static_cast<std::uint32_t>(favoritesRoot.size()));
  next_ += favoritesRoot;
  Append(next_, static_cast<std::uint8_t>(form.encoded));
  Append(next_, static_cast<std::uint32_t>(form.ansiCodePage ? AnsiCodePage() + 1 : 0));
  Append(next_, static_cast<std::int64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                              scanStart.time_since_epoch())
                                              .count()));
}

ScanCache ScanCache::Load(const std::string& path, const std::string& favoritesRoot,
                          RecordLineForm form, Clock::time_point scanStart) {
  ScanCache cache(favoritesRoot, form, scanStart);
  cache.loaded_ = ReadWholeFile(path);
  // The header up to the scan's start is this cache's own unless the version, the folder or
  // the line form differ.
  const std::size_t header = cache.next_.size();
  const std::string_view bytes = cache.loaded_;
  const bool taken = bytes.size() >= header + kChecksumBytes &&
                     bytes.substr(0, header - kScanStartBytes) ==
                         std::string_view(cache.next_).substr(0, header - kScanStartBytes) &&
                     NumberAt<std::uint64_t>(bytes, bytes.size() - kChecksumBytes) ==
                         Checksum(bytes.substr(0, bytes.size() - kChecksumBytes)) &&
                     cache.Check(bytes.substr(header, bytes.size() - header - kChecksumBytes));
  if (!taken) {
    cache.loaded_ = std::string();
    cache.entries_ = 0;
    return cache;
  }
  const auto unsureSpan = std::chrono::duration_cast<std::chrono::nanoseconds>(kUnsureSpan);
  cache.sureBefore_ = NumberAt<std::int64_t>(bytes, header - kScanStartBytes) - unsureSpan.count();
  cache.first_ = cache.following_ = cache.alike_ = header;
  cache.copied_ = false;
  return cache;
}

// Checks that the entries fill `entries` exactly, and counts them.
bool ScanCache::Check(std::string_view entries) {
  if (loaded_.size() >= UINT32_MAX) {
    return false;  // offsets are kept in 32 bits
  }
  for (std::size_t at = 0; at < entries.size(); ++entries_) {
    if (entries.size() - at < kEntryHead) {
      return false;
    }
    const std::size_t size =
        kEntryHead + Entry::KeySize(entries, at) + Entry::LineSize(entries, at);
    if (entries.size() - at < size) {
      return false;
    }
    at += size;
  }
  return true;
}

// Indexes the entries by path, once a path is asked for out of the last scan's order.
void ScanCache::Index() {
  std::size_t capacity = 16;
  while (capacity < entries_ * 2) {
    capacity *= 2;
  }
  slots_.assign(capacity, 0);
  for (std::size_t offset = first_; offset + kChecksumBytes < loaded_.size();) {
    const Entry entry = Entry::At(loaded_, offset);
    for (std::size_t slot = HashOf(entry.key) & (capacity - 1);;
         slot = (slot + 1) & (capacity - 1)) {
      if (slots_[slot] == 0) {
        slots_[slot] = static_cast<std::uint32_t>(offset + 1);
        break;
      }
    }
    offset += entry.Size();
  }
}

std::optional<std::uint32_t> ScanCache::Slot(std::string_view relativePath) {
  if (entries_ == 0) {
    return std::nullopt;
  }
  if (slots_.empty()) {
    Index();
  }
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = HashOf(relativePath) & mask; slots_[slot] != 0;
       slot = (slot + 1) & mask) {
    if (Entry::At(loaded_, slots_[slot] - 1).key == relativePath) {
      return slots_[slot] - 1;
    }
  }
  return std::nullopt;
}

// The entry of the path: the one after the last found when it is, otherwise by the index.
std::optional<std::uint32_t> ScanCache::OffsetOf(std::string_view relativePath) {
  if (following_ + kChecksumBytes < loaded_.size() &&
      Entry::At(loaded_, following_).key == relativePath) {
    return static_cast<std::uint32_t>(following_);
  }
  return Slot(relativePath);
}

std::optional<std::string_view> ScanCache::Find(std::string_view relativePath,
                                                const FileIdentity& identity) {
  const std::optional<std::uint32_t> offset = OffsetOf(relativePath);
  if (!offset || identity.inode == 0) {
    renewed_ = true;
    return std::nullopt;
  }
  const Entry entry = Entry::At(loaded_, *offset);
  following_ = *offset + entry.Size();
  if (!(entry.identity == identity) ||
      Nanoseconds(identity.modifiedSeconds, identity.modifiedNanoseconds) >= sureBefore_ ||
      Nanoseconds(identity.changedSeconds, identity.changedNanoseconds) >= sureBefore_) {
    renewed_ = true;
    return std::nullopt;
  }
  return entry.line;
}

void ScanCache::Remember(std::string_view relativePath, const FileIdentity& identity,
                         std::string_view lineAfterModified) {
  if (relativePath.size() > UINT16_MAX || lineAfterModified.size() > UINT32_MAX) {
    return;  // read again next time
  }
  if (!copied_) {
    if (alike_ + kChecksumBytes < loaded_.size()) {
      const Entry entry = Entry::At(loaded_, alike_);
      if (entry.key == relativePath && entry.identity == identity &&
          entry.line == lineAfterModified) {
        alike_ += entry.Size();
        return;
      }
    }
    CopyAlike();
  }
  Append(next_, static_cast<std::uint16_t>(relativePath.size()));
  Append(next_, static_cast<std::uint32_t>(lineAfterModified.size()));
  for (const std::uint64_t number : {identity.device, identity.inode, identity.size,
                                     static_cast<std::uint64_t>(identity.modifiedSeconds),
                                     static_cast<std::uint64_t>(identity.modifiedNanoseconds),
                                     static_cast<std::uint64_t>(identity.changedSeconds),
                                     static_cast<std::uint64_t>(identity.changedNanoseconds)}) {
    Append(next_, number);
  }
  next_ += relativePath;
  next_ += lineAfterModified;
}

void ScanCache::CopyAlike() {
  // The next cache holds about as much: grown by doubling it could take twice the room.
  next_.reserve(loaded_.size() + loaded_.size() / 8);
  next_.append(loaded_, first_, alike_ - first_);
  copied_ = true;
}

Result<> ScanCache::Save(const std::string& path) {
  // Every file found sure and unchanged, in the same order, none gone: the cache kept says
  // all this cache would, and what it knows sure stays sure after its older start.
  if (!copied_ && !renewed_ && alike_ + kChecksumBytes == loaded_.size()) {
    return Result<>::Ok();
  }
  if (!copied_) {
    CopyAlike();
  }
  Append(next_, Checksum(next_));
  // A cache lost in a crash costs the next scan its time: the checksum refuses what is left.
  const Result<> written = WriteFileAtomically(path, next_, 0600, Durability::Unflushed);
  next_.resize(next_.size() - kChecksumBytes);
  return written;
}

}  // namespace kestrin
