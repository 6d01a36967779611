// Favorites data file: writing byte for byte, and a strict reader that takes
// a file whole and valid or not at all.

#include "favorites/data_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "favorites/record_rule.h"
#include "formats/printable_text.h"
#include "formats/radix64.h"
#include "platform/posix_files.h"
#include "platform/system_text.h"

namespace kestrin {
namespace {

constexpr std::size_t kFieldCount = 7;
constexpr const char* kFieldNames[kFieldCount] = {"Modified", "Path",      "Name", "URL",
                                                  "IconFile", "IconIndex", "Type"};

// The longest field text that can hold a value of kMaxUrlBytes.
constexpr std::size_t MaxFieldBytes(bool decode) {
  return decode ? 4 * ((kMaxUrlBytes + 2) / 3) : kMaxUrlBytes;
}

std::string LineText(std::size_t lineNumber) {
  return "line " + std::to_string(lineNumber);
}

// The fields of one line (without its CR LF) by the data file's field rules. At most
// `limit` fields are collected; `count` tells how many the line gives (counting stops one
// past the limit). False, with `error` set, when a quoted value is not closed on its line.
bool SplitFields(std::string_view line, std::string_view* fields, std::size_t limit,
                 std::size_t& count, std::string& error) {
  count = 0;
  std::size_t pos = 0;
  while (true) {
    while (pos < line.size() && line[pos] == ' ') {  // 1. skip blanks
      ++pos;
    }
    std::string_view value;
    std::size_t comma;
    if (pos < line.size() && line[pos] == '"') {
      // 2. everything up to the next double quote, then up to and including the next comma
      const std::size_t close = line.find('"', pos + 1);
      if (close == std::string_view::npos) {
        error = "a double quote is not closed";
        return false;
      }
      value = line.substr(pos + 1, close - pos - 1);
      comma = line.find(',', close + 1);
    } else {
      // 3. everything up to the next comma or the line end, without trailing blanks
      comma = line.find(',', pos);
      value = line.substr(pos, (comma == std::string_view::npos ? line.size() : comma) - pos);
      while (!value.empty() && value.back() == ' ') {
        value.remove_suffix(1);
      }
    }
    if (count < limit) {
      fields[count] = value;
    }
    ++count;
    if (comma == std::string_view::npos || count > limit) {
      return true;
    }
    pos = comma + 1;
  }
}

}  // namespace

void WriteDataFileHeader(std::ostream& out, std::string_view computerName, const DateTime& now,
                         const GeneralDateFormat& format) {
  WriteDataFileHeader(out, {std::string(computerName), FormatGeneralDate(now, format)});
}

void WriteDataFileHeader(std::ostream& out, const DataFileHeader& header) {
  const std::string line = header.ComputerName + '@' + header.WrittenAt + "\r\n";
  out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

namespace {

void AppendField(std::string& line, std::string_view value, bool encode) {
  line += '"';
  if (encode) {
    line += Radix64Encode(value);
  } else {
    line += value;
  }
  line += '"';
}

}  // namespace

std::string ModifiedField(std::string_view modified, bool encode) {
  std::string field;
  AppendField(field, modified, encode);
  return field;
}

std::string FieldsAfterModified(const FavoriteRecord& record, bool encode) {
  const std::string_view fields[kFieldCount - 1] = {record.Path,     record.Name,      record.URL,
                                                    record.IconFile, record.IconIndex, record.Type};
  std::string line;
  line.reserve(64 +
               (encode ? 2 : 1) * (record.Path.size() + record.Name.size() + record.URL.size() +
                                   record.IconFile.size() + record.IconIndex.size()));
  for (const std::string_view field : fields) {
    line += ',';
    AppendField(line, field, encode);
  }
  line += "\r\n";
  return line;
}

void WriteFavoriteRecord(std::ostream& out, const FavoriteRecord& record, bool encode) {
  const std::string line =
      ModifiedField(record.Modified, encode) + FieldsAfterModified(record, encode);
  out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

Result<> CheckComputerName(std::string_view computerName) {
  if (computerName.empty()) {
    return Result<>::Fail("the computer name is empty");
  }
  // The reader drops blanks before the header, and a name that differs from another only
  // in blanks at its end cannot be told from it by eye.
  if (computerName.front() == ' ' || computerName.back() == ' ') {
    return Result<>::Fail("the computer name begins or ends with a blank");
  }
  if (computerName.find(',') != std::string_view::npos) {
    return Result<>::Fail("the computer name holds a comma");
  }
  if (computerName.find('"') != std::string_view::npos) {
    return Result<>::Fail("the computer name holds a double quote");
  }
  if (computerName.find('@') != std::string_view::npos) {
    return Result<>::Fail("the computer name holds an at-sign");
  }
  if (HoldsControlCharacter(computerName)) {
    return Result<>::Fail("the computer name holds a control character");
  }
  return Result<>::Ok();
}

namespace {

// The records' values are moved to the front of the bytes they were read from, back to
// back, as each line passes the checks: the list then costs no more than its file and an
// offset a value.
Result<FavoritesDataFile> ParseOwnedBytes(std::string owned, bool decode) {
  using R = Result<FavoritesDataFile>;
  if (owned.empty()) {
    return R::Fail("the file is empty: it has no header line");
  }
  if (owned.size() > kMaxDataFileBytes) {
    return R::Fail("the file is larger than " + std::to_string(kMaxDataFileBytes) + " bytes");
  }
  if (!decode) {
    owned = TextAsUtf8(std::move(owned));
  }
  const std::string_view bytes = owned;

  FavoritesDataFile file;
  const std::size_t lineCount =
      static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
  if (lineCount > kMaxDataFileRecords + 1) {
    return R::Fail("the file holds more than " + std::to_string(kMaxDataFileRecords) + " records");
  }
  std::vector<std::uint32_t> ends;
  if (lineCount > 1) {
    ends.reserve((lineCount - 1) * kFieldCount);
  }
  std::size_t packedEnd = 0;  // where the values packed so far end in `owned`
  const auto pack = [&](std::string_view value) {
    // The value lies at or after packedEnd, so an overlapping move is all it takes.
    std::memmove(owned.data() + packedEnd, value.data(), value.size());
    packedEnd += value.size();
    ends.push_back(static_cast<std::uint32_t>(packedEnd));
  };

  // A file without a NUL, as a list is, needs no line searched for one.
  const bool mayHoldNul = bytes.find('\0') != std::string_view::npos;
  std::string_view fields[kFieldCount];
  std::string error;
  std::size_t start = 0;
  std::size_t lineNumber = 0;
  while (start < bytes.size()) {
    ++lineNumber;
    const std::size_t lf = bytes.find('\n', start);
    if (lf == std::string_view::npos) {
      return R::Fail("the file does not end with CR LF: it ends inside " + LineText(lineNumber));
    }
    if (lf == start || bytes[lf - 1] != '\r') {
      return R::Fail(LineText(lineNumber) + " ends with LF alone, not CR LF");
    }
    const std::string_view line = bytes.substr(start, lf - 1 - start);
    start = lf + 1;
    if (line.find('\r') != std::string_view::npos) {
      return R::Fail(LineText(lineNumber) + " holds a CR that does not end the line");
    }
    if (mayHoldNul && line.find('\0') != std::string_view::npos) {
      return R::Fail(LineText(lineNumber) + " holds a NUL");
    }

    if (lineNumber == 1) {
      std::size_t count = 0;
      if (!SplitFields(line, fields, 1, count, error)) {
        return R::Fail("the header line: " + error);
      }
      if (count != 1) {
        return R::Fail("the header line holds a comma: it is not one field");
      }
      const std::string_view header = fields[0];
      if (header.size() > MaxFieldBytes(false)) {
        return R::Fail("the header line is longer than " + std::to_string(MaxFieldBytes(false)) +
                       " bytes");
      }
      const std::size_t at = header.find('@');
      if (at == std::string_view::npos) {
        return R::Fail("the header line holds no \"@\"");
      }
      const std::size_t nextAt = header.find('@', at + 1);
      file.header.ComputerName = std::string(header.substr(0, at));
      file.header.WrittenAt = std::string(header.substr(
          at + 1, nextAt == std::string_view::npos ? std::string_view::npos : nextAt - at - 1));
      continue;
    }

    std::size_t count = 0;
    if (!SplitFields(line, fields, kFieldCount, count, error)) {
      return R::Fail(LineText(lineNumber) + ": " + error);
    }
    if (count != kFieldCount) {
      if (count > kFieldCount) {
        return R::Fail(LineText(lineNumber) + " has more than 7 fields");
      }
      return R::Fail(LineText(lineNumber) + " has " + std::to_string(count) +
                     (count == 1 ? " field" : " fields") + ", not 7");
    }
    std::string decoded[kFieldCount];
    for (std::size_t i = 0; i < kFieldCount; ++i) {
      if (fields[i].size() > MaxFieldBytes(decode)) {
        return R::Fail(LineText(lineNumber) + ", field " + kFieldNames[i] + ": longer than " +
                       std::to_string(MaxFieldBytes(decode)) + " bytes");
      }
      if (decode) {
        std::optional<std::string> value = Radix64Decode(fields[i]);
        if (!value) {
          return R::Fail(LineText(lineNumber) + ", field " + kFieldNames[i] +
                         ": not valid Radix-64");
        }
        if (HoldsLineBreakOrNul(*value)) {
          return R::Fail(LineText(lineNumber) + ", field " + kFieldNames[i] +
                         ": the decoded value holds CR, LF or NUL");
        }
        decoded[i] = TextAsUtf8(std::move(*value));
        fields[i] = decoded[i];
      }
    }
    const FavoriteRecord record{fields[0], fields[1], fields[2], fields[3],
                                fields[4], fields[5], fields[6]};
    if (const Result<> checked = CheckRecord(record); !checked) {
      return R::Fail(LineText(lineNumber) + ": " + checked.error());
    }
    for (std::string_view value : fields) {
      pack(value);
    }
  }
  owned.resize(packedEnd);
  file.records = RecordList(std::move(owned), std::move(ends));
  return R::Ok(std::move(file));
}

}  // namespace

Result<FavoritesDataFile> ParseFavoritesDataFile(std::string_view bytes, bool decode) {
  return ParseOwnedBytes(std::string(bytes), decode);
}

Result<FavoritesDataFile> ReadFavoritesDataFile(const std::string& path, bool decode) {
  using R = Result<FavoritesDataFile>;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return R::Fail(path + ": " + std::strerror(errno));
  }
  std::string bytes;
  struct stat info {};
  if (fstat(fd, &info) == 0 && info.st_size > 0) {
    if (static_cast<std::size_t>(info.st_size) > kMaxDataFileBytes) {
      close(fd);
      return R::Fail(path + ": the file is larger than " + std::to_string(kMaxDataFileBytes) +
                     " bytes");
    }
    bytes.reserve(static_cast<std::size_t>(info.st_size));
  }
  char buffer[1 << 16];
  // A file that grows meanwhile: one byte past the ceiling is enough for the parser to refuse it.
  while (bytes.size() <= kMaxDataFileBytes) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      const int saved = errno;
      close(fd);
      return R::Fail(path + ": " + std::strerror(saved));
    }
    if (got == 0) {
      break;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  Result<FavoritesDataFile> parsed = ParseOwnedBytes(std::move(bytes), decode);
  if (!parsed) {
    return R::Fail(path + ": " + parsed.error());
  }
  return parsed;
}

}  // namespace kestrin
