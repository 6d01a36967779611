#pragma once

#include <string>
#include <string_view>

namespace kestrin {

// The 32-byte SHA-256 digest of bytes.
std::string Sha256(std::string_view bytes);

}  // namespace kestrin
