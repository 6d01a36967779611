#include "formats/printable_text.h"

#include <algorithm>

namespace kestrin {
namespace {

// The length of the well-formed UTF-8 sequence that starts the text, 0 when there is none.
size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xbf;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    low = lead == 0xe0 ? 0xa0 : 0x80;   // no overlong form
    high = lead == 0xed ? 0x9f : 0xbf;  // no surrogate
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    low = lead == 0xf0 ? 0x90 : 0x80;
    high = lead == 0xf4 ? 0x8f : 0xbf;  // nothing past U+10FFFF
  }
  if (length == 0 || text.size() < length || byte(1) < low || byte(1) > high) {
    return 0;
  }
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xbf) {
      return 0;
    }
  }
  return length;
}

// C0 controls and DEL, and the C1 controls 0x80-0x9f: as lone bytes an 8-bit terminal
// obeys them, as UTF-8 (U+0080-U+009F) a UTF-8 terminal does.
bool IsControl(std::string_view character) {
  const auto lead = static_cast<unsigned char>(character[0]);
  if (character.size() == 1) {
    return lead < 0x20 || (lead >= 0x7f && lead <= 0x9f);
  }
  return lead == 0xc2 && static_cast<unsigned char>(character[1]) <= 0x9f;
}

}  // namespace

bool HoldsControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return IsControlCharacter(static_cast<unsigned char>(c)); });
}

bool HoldsLineBreakOrNul(std::string_view text) {
  // One pass over the text, not one search a character: every record's values are asked.
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

std::string PrintableText(std::string_view text) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(text.size());
  while (!text.empty()) {
    const std::string_view character =
        text.substr(0, std::max<size_t>(1, Utf8SequenceLength(text)));
    if (IsControl(character)) {
      for (const unsigned char c : character) {
        shown += {'\\', 'x', kHex[c >> 4], kHex[c & 0xf]};
      }
    } else {
      shown += character;
    }
    text.remove_prefix(character.size());
  }
  return shown;
}

}  // namespace kestrin
