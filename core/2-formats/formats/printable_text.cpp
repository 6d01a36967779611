#include "formats/printable_text.h"

namespace kestrin {

std::string PrintableText(std::string_view text) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7f) {
      shown += {'\\', 'x', kHex[c >> 4], kHex[c & 0xf]};
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

}  // namespace kestrin
