#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrin {

// Text of a shared list, which other computers may have written in their ANSI code page:
// valid UTF-8 stays as it is; anything else is read in the ANSI code page on Windows, and
// kept as bytes on Linux, which has none.
std::string TextAsUtf8(std::string bytes);

// UTF-8 text in the ANSI code page, for lists shared with programs that expect it; nullopt
// when a character has no place there. Linux has no such code page: the text stays UTF-8.
std::optional<std::string> TextInAnsiCodePage(std::string_view utf8);

// The number of the ANSI code page that TextInAnsiCodePage writes in: text kept in it is
// stale once the system's changes. 0 on Linux.
unsigned AnsiCodePage();

}  // namespace kestrin
