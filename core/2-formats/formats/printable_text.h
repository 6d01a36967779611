#pragma once

#include <string>
#include <string_view>

namespace kestrin {

// The bytes below 0x20 and DEL (0x7f): they move a terminal's cursor, start its escape
// sequences or break a line.
constexpr bool IsControlCharacter(unsigned char c) {
  return c < 0x20 || c == 0x7f;
}

bool HoldsControlCharacter(std::string_view text);

// CR, LF or NUL: what no line of a text file can hold.
bool HoldsLineBreakOrNul(std::string_view text);

// Text as it may reach a person, in a terminal, the log or the window: control characters
// (C0, DEL and C1, alone or UTF-8 encoded) become \xHH, one per byte, so that text from a
// server, a list or a folder can neither send escape sequences to a terminal nor break a
// log into forged lines. Other text, UTF-8 or not, passes unchanged.
std::string PrintableText(std::string_view text);

}  // namespace kestrin
