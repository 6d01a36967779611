#include "fuzz/data_file_properties.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <string_view>

#include "favorites/data_file.h"
#include "favorites/record_rule.h"
#include "fuzz/fuzz_check.h"

namespace {

using kestrin::FavoriteRecord;

// Checked apart from the reader's own rules: no component of a path that leaves, or stays
// at, the folder it starts from, and no separator the file system would honour.
bool StaysInside(std::string_view relative) {
  std::size_t start = 0;
  while (start <= relative.size()) {
    const std::size_t end = std::min(relative.find('\\', start), relative.size());
    const std::string_view component = relative.substr(start, end - start);
    if (component.empty() || component == "." || component == ".." ||
        component.find('/') != std::string_view::npos) {
      return false;
    }
    start = end + 1;
  }
  return true;
}

// Checks what any accepted record must satisfy. Returns whether it can be written back:
// with encoding off, a double quote inside a value cannot.
bool CheckRecord(const FavoriteRecord& record, bool encode) {
  bool writable = true;
  for (std::string_view value : {record.Modified, record.Path, record.Name, record.URL,
                                 record.IconFile, record.IconIndex, record.Type}) {
    FUZZ_REQUIRE(value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos);
    FUZZ_REQUIRE(value.size() <= kestrin::kMaxUrlBytes);
    writable = writable && (encode || value.find('"') == std::string_view::npos);
  }
  FUZZ_REQUIRE(record.Type == "D" || record.Type == "F");
  if (record.Type == "D") {
    FUZZ_REQUIRE(record.Name.empty() && StaysInside(record.Path));
  } else {
    FUZZ_REQUIRE(StaysInside(std::string(record.Path).append(record.Name)));
  }
  return writable;
}

}  // namespace

void CheckDataFileBytes(const std::uint8_t* data, std::size_t size, bool decode) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto parsed = kestrin::ParseFavoritesDataFile(bytes, decode);
  if (!parsed) {
    FUZZ_REQUIRE(!parsed.error().empty());
    return;
  }
  const kestrin::FavoritesDataFile& file = *parsed;
  FUZZ_REQUIRE(file.records.size() <= kestrin::kMaxDataFileRecords);
  FUZZ_REQUIRE(file.header.ComputerName.find('@') == std::string::npos);
  bool writable = true;
  for (const FavoriteRecord& record : file.records) {
    writable = CheckRecord(record, decode) && writable;
  }
  if (!writable) {
    return;
  }

  // What was read, written again, reads back the same.
  std::ostringstream out;
  out << "Check@1/1/2026\r\n";
  for (const FavoriteRecord& record : file.records) {
    kestrin::WriteFavoriteRecord(out, record, decode);
  }
  const auto again = kestrin::ParseFavoritesDataFile(out.str(), decode);
  FUZZ_REQUIRE(again);
  FUZZ_REQUIRE(again->records == file.records);
}
