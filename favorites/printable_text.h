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

// A value from a shared list as a line shown to a person may quote it: control characters
// become \xHH, so that a hostile list can neither send escape sequences to a terminal nor
// break a log into forged lines. Other bytes pass unchanged.
std::string PrintableText(std::string_view text);

}  // namespace kestrin
