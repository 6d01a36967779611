#pragma once

#include <string>
#include <string_view>

namespace kestrin {

// The text as a JSON string, quotes included. Bytes that are not UTF-8 become U+FFFD, so
// that what a browser parses is always valid.
std::string JsonString(std::string_view text);

// Whether the text is UTF-8 throughout (no overlong forms, surrogates or codes beyond
// Unicode).
bool IsUtf8(std::string_view text);

}  // namespace kestrin
