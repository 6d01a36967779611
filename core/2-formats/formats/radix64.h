#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrin {

// Base64 of RFC 4648 section 4 (standard alphabet, "=" padding, no line breaks) over bytes.
std::string Radix64Encode(std::string_view bytes);

// Fails (nullopt) on any character outside the alphabet and "=". Characters of an
// incomplete last group of four are ignored, as the stored lists expect.
std::optional<std::string> Radix64Decode(std::string_view text);

}  // namespace kestrin
