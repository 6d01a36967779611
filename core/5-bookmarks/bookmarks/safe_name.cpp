#include "bookmarks/safe_name.h"

#include <algorithm>

#include "bookmarks/utf8.h"
#include "formats/printable_text.h"

namespace kestrin {
namespace {

constexpr std::string_view kRefused = "/\\:*?\"<>|";
constexpr std::string_view kTrimmed = " .";

bool IsDeviceName(std::string_view name) {
  std::string upper(name.substr(0, name.find('.')));
  std::ranges::transform(upper, upper.begin(), [](char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  });
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") {
    return true;
  }
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         upper[3] >= '1' && upper[3] <= '9';
}

}  // namespace

std::string SafeName(std::string_view title) {
  std::string name;
  for (char c : Utf8Prefix(title, kMaxSafeNameBytes)) {
    const bool refused =
        IsControlCharacter(static_cast<unsigned char>(c)) || kRefused.find(c) != kRefused.npos;
    name += refused ? '_' : c;
  }
  const std::size_t first = name.find_first_not_of(kTrimmed);
  name = first == name.npos ? "" : name.substr(first, name.find_last_not_of(kTrimmed) - first + 1);
  if (name.empty()) {
    return "Untitled";
  }
  return IsDeviceName(name) ? "_" + name : name;
}

}  // namespace kestrin
