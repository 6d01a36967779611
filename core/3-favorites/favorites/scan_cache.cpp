// The scan cache's file: a header that names the version, the Favorites folder, the line form
// (with the ANSI code page it is in) and when the scan began; one entry a shortcut file (the
// lengths of its path and line, the identity, then the path relative to the Favorites folder and
// the line after its Modified field); and a checksum over all of it.

#include "favorites/scan_cache.h"

#include <algorithm>
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
// mixed into the sum by the same steps. The bytes may come in parts.
class Checksum {
 public:
  explicit Checksum(std::size_t size) {
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
      lanes_[lane] = (0x9e3779b97f4a7c15u ^ size) + lane;
    }
  }

  void Add(std::string_view bytes) {
    if (held_ > 0) {
      const std::size_t taken = std::min(bytes.size(), kBlock - held_);
      std::memcpy(block_ + held_, bytes.data(), taken);
      held_ += taken;
      bytes.remove_prefix(taken);
      if (held_ < kBlock) {
        return;
      }
      MixBlock(block_);
      held_ = 0;
    }
    for (; bytes.size() >= kBlock; bytes.remove_prefix(kBlock)) {
      MixBlock(bytes.data());
    }
    std::memcpy(block_, bytes.data(), bytes.size());
    held_ = bytes.size();
  }

  std::uint64_t Sum() const {
    std::uint64_t first = lanes_[0];
    for (std::size_t at = 0; at < held_; ++at) {
      Mix(first, static_cast<unsigned char>(block_[at]));
    }
    std::uint64_t sum = first;
    for (std::size_t lane = 1; lane < kLanes; ++lane) {
      Mix(sum, lanes_[lane]);
    }
    return sum;
  }

 private:
  static constexpr std::size_t kLanes = 4;
  static constexpr std::size_t kBlock = kLanes * 8;

  static void Mix(std::uint64_t& sum, std::uint64_t word) {
    sum = (sum ^ word) * 0x100000001b3u;
    sum ^= sum >> 29;
  }

  void MixBlock(const char* block) {
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
      std::uint64_t word;
      std::memcpy(&word, block + lane * 8, sizeof word);
      Mix(lanes_[lane], word);
    }
  }

  std::uint64_t lanes_[kLanes];
  char block_[kBlock];
  std::size_t held_ = 0;
};

std::uint64_t ChecksumOf(std::string_view bytes) {
  Checksum sum(bytes.size());
  sum.Add(bytes);
  return sum.Sum();
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
  header_ = kMagic;
  Append(header_, static_cast<std::uint32_t>(favoritesRoot.size()));
  header_ += favoritesRoot;
  Append(header_, static_cast<std::uint8_t>(form.encoded));
  Append(header_, static_cast<std::uint32_t>(form.ansiCodePage ? AnsiCodePage() + 1 : 0));
  Append(header_, static_cast<std::int64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                scanStart.time_since_epoch())
                                                .count()));
}

ScanCache ScanCache::Load(const std::string& path, const std::string& favoritesRoot,
                          RecordLineForm form, Clock::time_point scanStart) {
  ScanCache cache(favoritesRoot, form, scanStart);
  cache.loaded_ = ReadWholeFile(path);
  // The header up to the scan's start is this cache's own unless the version, the folder or
  // the line form differ.
  const std::size_t header = cache.header_.size();
  const std::string_view bytes = cache.loaded_;
  const bool taken = bytes.size() >= header + kChecksumBytes &&
                     bytes.substr(0, header - kScanStartBytes) ==
                         std::string_view(cache.header_).substr(0, header - kScanStartBytes) &&
                     NumberAt<std::uint64_t>(bytes, bytes.size() - kChecksumBytes) ==
                         ChecksumOf(bytes.substr(0, bytes.size() - kChecksumBytes)) &&
                     cache.Check(bytes.substr(header, bytes.size() - header - kChecksumBytes));
  if (!taken) {
    cache.loaded_ = std::string();
    cache.entries_ = 0;
    return cache;
  }
  const auto unsureSpan = std::chrono::duration_cast<std::chrono::nanoseconds>(kUnsureSpan);
  cache.sureBefore_ = NumberAt<std::int64_t>(bytes, header - kScanStartBytes) - unsureSpan.count();
  cache.first_ = cache.following_ = header;
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
  found_.reset();
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
  found_ = *offset;
  return entry.line;
}

void ScanCache::Remember(std::string_view relativePath, const FileIdentity& identity,
                         std::string_view lineAfterModified) {
  if (relativePath.size() > UINT16_MAX || lineAfterModified.size() > UINT32_MAX) {
    return;  // read again next time
  }
  if (found_) {
    const Entry entry = Entry::At(loaded_, *found_);
    if (entry.key == relativePath && entry.identity == identity &&
        entry.line == lineAfterModified) {
      Keep(Part::Loaded, *found_, entry.Size());
      found_.reset();
      return;
    }
  }
  const std::size_t start = added_.size();
  Append(added_, static_cast<std::uint16_t>(relativePath.size()));
  Append(added_, static_cast<std::uint32_t>(lineAfterModified.size()));
  for (const std::uint64_t number : {identity.device, identity.inode, identity.size,
                                     static_cast<std::uint64_t>(identity.modifiedSeconds),
                                     static_cast<std::uint64_t>(identity.modifiedNanoseconds),
                                     static_cast<std::uint64_t>(identity.changedSeconds),
                                     static_cast<std::uint64_t>(identity.changedNanoseconds)}) {
    Append(added_, number);
  }
  added_ += relativePath;
  added_ += lineAfterModified;
  Keep(Part::Added, start, added_.size() - start);
}

void ScanCache::Keep(Part from, std::size_t offset, std::size_t size) {
  if (!parts_.empty() && parts_.back().from == from &&
      parts_.back().offset + parts_.back().size == offset) {
    parts_.back().size += size;
  } else {
    parts_.push_back({from, offset, size});
  }
}

Result<> ScanCache::Save(const std::string& path) {
  // Every file found sure and unchanged, in the same order, none gone: the cache kept says
  // all this cache would, and what it knows sure stays sure after its older start.
  const std::size_t loadedEntries = loaded_.empty() ? 0 : loaded_.size() - first_ - kChecksumBytes;
  if (!renewed_ && parts_.size() == 1 && parts_[0].from == Part::Loaded &&
      parts_[0].offset == first_ && parts_[0].size == loadedEntries) {
    return Result<>::Ok();
  }
  std::vector<std::string_view> bytes{header_};
  std::size_t size = header_.size();
  for (const Stretch& part : parts_) {
    const std::string_view source = part.from == Part::Loaded ? loaded_ : added_;
    bytes.push_back(source.substr(part.offset, part.size));
    size += part.size;
  }
  Checksum sum(size);
  for (const std::string_view part : bytes) {
    sum.Add(part);
  }
  std::string checksum;
  Append(checksum, sum.Sum());
  bytes.push_back(checksum);
  // A cache lost in a crash costs the next scan its time: the checksum refuses what is left.
  return WriteFileAtomically(path, bytes, 0600, Durability::Unflushed);
}

}  // namespace kestrin
