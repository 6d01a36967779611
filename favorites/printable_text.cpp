#include "favorites/printable_text.h"

#include <algorithm>

namespace kestrin {

bool HoldsControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return IsControlCharacter(static_cast<unsigned char>(c)); });
}

bool HoldsLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string PrintableText(std::string_view text) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(text.size());
  for (unsigned char c : text) {
    if (IsControlCharacter(c)) {
      shown += {'\\', 'x', kHex[c >> 4], kHex[c & 0xf]};
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

}  // namespace kestrin
