#include "formats/ini_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/native_path.h"

namespace kestrin {
namespace {

// The Windows call reads through a buffer of 255 characters, one of them the terminator.
constexpr size_t kMaxValueLength = 254;
// The file holds the password: its owner only.
constexpr mode_t kFileMode = 0600;
// One line per key: a line break in a value would forge further keys.
constexpr std::string_view kLineBreaks("\r\n\0", 3);

// The file's bytes; empty for a missing file, nothing for one that exists but cannot be read.
Result<std::string> ReadFileIfAny(const std::string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  if (!in) {
    return errno == ENOENT ? Result<std::string>::Ok("")
                           : Result<std::string>::Fail("cannot read " + path);
  }
  return Result<std::string>::Ok(
      std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

std::string_view TrimBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t";
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// The name of a section line ("[name]"), or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = TrimBlanks(line);
  if (line.empty() || line.front() != '[') {
    return std::nullopt;
  }
  line.remove_prefix(1);
  return TrimBlanks(line.substr(0, line.rfind(']')));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

// A "key=value" line; comments and lines without "=" hold no key.
std::optional<KeyLine> ParseKeyLine(std::string_view line) {
  line = TrimBlanks(line);
  const size_t equals = line.find('=');
  if (line.empty() || line.front() == ';' || equals == std::string_view::npos) {
    return std::nullopt;
  }
  return KeyLine{TrimBlanks(line.substr(0, equals)), TrimBlanks(line.substr(equals + 1))};
}

std::string_view WithoutMatchingQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// The lines of the first section of that name: [header + 1, end).
struct SectionRange {
  size_t header;
  size_t end;
};

std::optional<SectionRange> FindSection(const std::vector<std::string>& lines,
                                        std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto name = SectionName(lines[i]);
    if (name && EqualsIgnoringCase(*name, section)) {
      size_t end = i + 1;
      while (end < lines.size() && !SectionName(lines[end])) {
        ++end;
      }
      return SectionRange{i, end};
    }
  }
  return std::nullopt;
}

std::optional<size_t> FindKey(const std::vector<std::string>& lines, const SectionRange& range,
                              std::string_view key) {
  for (size_t i = range.header + 1; i < range.end; ++i) {
    const auto entry = ParseKeyLine(lines[i]);
    if (entry && EqualsIgnoringCase(entry->key, key)) {
      return i;
    }
  }
  return std::nullopt;
}

std::optional<std::string_view> FindValue(const std::vector<std::string>& lines,
                                          std::string_view section, std::string_view key) {
  const auto range = FindSection(lines, section);
  const auto index = range ? FindKey(lines, *range, key) : std::nullopt;
  if (!index) {
    return std::nullopt;
  }
  return ParseKeyLine(lines[*index])->value;
}

// Leading blanks, an optional sign and the leading decimal digits; nothing numeric is 0.
// A value beyond the range of int is held at its nearest end.
int LeadingInteger(std::string_view text) {
  text = TrimBlanks(text);
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    text.remove_prefix(1);
  }
  long long magnitude = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      break;
    }
    magnitude = std::min(magnitude * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 1);
  }
  const long long value = negative ? -magnitude : magnitude;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

bool FitsOnOneLine(std::string_view text) {
  return text.find_first_of(kLineBreaks) == std::string_view::npos;
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument document;
  document.lines_.reserve(static_cast<size_t>(std::ranges::count(text, '\n')) + 1);
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    document.lines_.emplace_back(line);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
  }
  return document;
}

IniDocument IniDocument::Load(const std::string& path) {
  const auto text = ReadFileIfAny(path);
  return Parse(text ? *text : "");
}

std::string IniDocument::ReadString(std::string_view section, std::string_view key) const {
  return ReadWholeString(section, key).substr(0, kMaxValueLength);
}

std::string IniDocument::ReadWholeString(std::string_view section, std::string_view key) const {
  const auto value = FindValue(lines_, section, key);
  return value ? std::string(WithoutMatchingQuotes(*value)) : "";
}

int IniDocument::ReadInt(std::string_view section, std::string_view key) const {
  return LeadingInteger(ReadString(section, key));
}

bool IniDocument::HasKey(std::string_view section, std::string_view key) const {
  return FindValue(lines_, section, key).has_value();
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (const std::string& line : lines_) {
    if (const auto name = SectionName(line)) {
      names.emplace_back(*name);
    }
  }
  return names;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  value = value.substr(0, value.find_first_of(kLineBreaks));
  auto range = FindSection(lines_, section);
  if (!range) {
    if (!lines_.empty() && !TrimBlanks(lines_.back()).empty()) {
      lines_.emplace_back();
    }
    lines_.push_back("[" + std::string(section) + "]");
    range = SectionRange{lines_.size() - 1, lines_.size()};
  }
  std::string line = std::string(key) + "=" + std::string(value);
  if (const auto index = FindKey(lines_, *range, key)) {
    lines_[*index] = std::move(line);
    return;
  }
  // After the section's last line that is not blank, so the gap before the next one stays.
  size_t insertAt = range->end;
  while (insertAt > range->header + 1 && TrimBlanks(lines_[insertAt - 1]).empty()) {
    --insertAt;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
}

std::string IniDocument::Serialize() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key) {
  return IniDocument::Load(path).ReadString(section, key);
}

Result<> WriteIniString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  return WriteIniStrings(path, section, {{std::string(key), std::string(value)}});
}

Result<> WriteIniStrings(const std::string& path, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& keyValues) {
  for (const auto& [key, value] : keyValues) {
    if (!FitsOnOneLine(value)) {
      return Result<>::Fail("the value of " + key + " holds a line break");
    }
  }
  // A file that exists but cannot be read is not overwritten: its other keys would be lost.
  const auto existing = ReadFileIfAny(path);
  if (!existing) {
    return Result<>::Fail(existing.error());
  }
  IniDocument document = IniDocument::Parse(*existing);
  for (const auto& [key, value] : keyValues) {
    document.Set(section, key, value);
  }
  return WriteFileAtomically(path, document.Serialize(), kFileMode);
}

}  // namespace kestrin
