#include "bookmarks/json_text.h"

#include <cstdint>

#include "bookmarks/utf8.h"

namespace kestrin {
namespace {

// The length of the UTF-8 character at `pos`, 0 when none begins there.
std::size_t Utf8Length(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    return 1;
  }
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || pos + length > text.size()) {
    return 0;
  }
  std::uint32_t code = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) {
      return 0;
    }
    code = code << 6 | (byte(pos + i) & 0x3F);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  const bool invalid = (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF;
  return overlong || invalid ? 0 : length;
}

}  // namespace

std::string JsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = Utf8Length(text, pos);
    const unsigned char c = static_cast<unsigned char>(text[pos]);
    if (length == 0) {
      AppendUtf8(out, 0xFFFD);
      ++pos;
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out.append(text.substr(pos, length));
    }
    pos += length;
  }
  return out + "\"";
}

bool IsUtf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = Utf8Length(text, pos);
    if (length == 0) {
      return false;
    }
    pos += length;
  }
  return true;
}

}  // namespace kestrin
