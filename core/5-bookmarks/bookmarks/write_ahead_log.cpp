#include "bookmarks/write_ahead_log.h"

#include <cstdint>
#include <cstring>
#include <map>

namespace kestrin {
namespace {

constexpr std::size_t kLogHeaderBytes = 32;
constexpr std::size_t kFrameHeaderBytes = 24;
constexpr std::uint32_t kLogMagic = 0x377f0682;  // the low bit: checksums in big-endian words

std::uint32_t BigEndian32(const char* bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
         b[3];
}

std::uint32_t LittleEndian32(const char* bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  return (std::uint32_t{b[3]} << 24) | (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[1]} << 8) |
         b[0];
}

// The log's running checksum: two sums over the bytes as 32-bit words, in pairs.
struct Checksum {
  bool bigEndian;
  std::uint32_t first = 0;
  std::uint32_t second = 0;

  void Add(std::string_view bytes) {
    for (std::size_t at = 0; at + 8 <= bytes.size(); at += 8) {
      const char* words = bytes.data() + at;
      first += (bigEndian ? BigEndian32(words) : LittleEndian32(words)) + second;
      second += (bigEndian ? BigEndian32(words + 4) : LittleEndian32(words + 4)) + first;
    }
  }
  bool Matches(const char* stored) const {
    return BigEndian32(stored) == first && BigEndian32(stored + 4) == second;
  }
};

bool IsPageSize(std::uint32_t size) {
  return size >= 512 && size <= 65536 && (size & (size - 1)) == 0;
}

// The pages of each transaction the log holds whole, newest last, and the database's pages
// after the last of them; none when the log holds no whole transaction.
struct Committed {
  std::map<std::uint32_t, std::size_t> pageAt;  // where each page lies in the log
  std::uint32_t pages = 0;
  std::uint32_t pageSize = 0;
};

Committed CommittedPages(std::string_view log) {
  Committed committed;
  if (log.size() < kLogHeaderBytes || (BigEndian32(log.data()) & ~1u) != kLogMagic) {
    return committed;
  }
  const std::uint32_t pageSize = BigEndian32(log.data() + 8);
  Checksum sum{(BigEndian32(log.data()) & 1u) != 0};
  sum.Add(log.substr(0, 24));
  if (!IsPageSize(pageSize) || !sum.Matches(log.data() + 24)) {
    return committed;
  }
  committed.pageSize = pageSize;
  std::map<std::uint32_t, std::size_t> pending;
  for (std::size_t at = kLogHeaderBytes; log.size() - at >= kFrameHeaderBytes + pageSize;
       at += kFrameHeaderBytes + pageSize) {
    const char* frame = log.data() + at;
    const std::uint32_t page = BigEndian32(frame);
    if (page == 0 || std::memcmp(frame + 8, log.data() + 16, 8) != 0) {
      break;  // a frame of an earlier log, or none
    }
    sum.Add(log.substr(at, 8));
    sum.Add(log.substr(at + kFrameHeaderBytes, pageSize));
    if (!sum.Matches(frame + 16)) {
      break;
    }
    pending[page] = at + kFrameHeaderBytes;
    if (const std::uint32_t pagesAfter = BigEndian32(frame + 4); pagesAfter != 0) {
      for (const auto& [written, offset] : pending) {
        committed.pageAt[written] = offset;
      }
      pending.clear();
      committed.pages = pagesAfter;
    }
  }
  return committed;
}

}  // namespace

void ApplyWriteAheadLog(std::string& database, std::string_view log) {
  const Committed committed = CommittedPages(log);
  const std::size_t size = std::size_t{committed.pages} * committed.pageSize;
  // Every page lies in the database or in the log: a count beyond both is no real one.
  if (committed.pages > 0 && size <= database.size() + log.size()) {
    database.resize(size);
    for (const auto& [page, offset] : committed.pageAt) {
      if (page <= committed.pages) {
        std::memcpy(database.data() + std::size_t{page - 1} * committed.pageSize,
                    log.data() + offset, committed.pageSize);
      }
    }
  }
  if (database.size() >= 20) {
    database[18] = database[19] = 1;  // no log to look for: SQLite reads it from memory
  }
}

}  // namespace kestrin
