#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrin {

// Appends the character's UTF-8 bytes; NUL, a surrogate or a code beyond Unicode becomes
// U+FFFD, the replacement character.
void AppendUtf8(std::string& out, std::uint32_t code);

// The text, read as windows-1252 (which browsers also read for ISO-8859-1), in UTF-8.
std::string Windows1252AsUtf8(std::string_view text);

// The longest beginning of the text, at most maxBytes long, that does not end inside a
// UTF-8 character.
std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes);

}  // namespace kestrin
