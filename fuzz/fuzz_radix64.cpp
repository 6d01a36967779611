// The Radix-64 decoder on any text, and the codec's round trip on any bytes.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/radix64.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const auto decoded = kestrin::Radix64Decode(bytes);
  if (decoded) {
    FUZZ_REQUIRE(decoded->size() <= 3 * (size / 4));
  }

  const std::string encoded = kestrin::Radix64Encode(bytes);
  FUZZ_REQUIRE(encoded.size() == 4 * ((size + 2) / 3));
  FUZZ_REQUIRE(encoded.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                         "0123456789+/=") == std::string::npos);
  const auto back = kestrin::Radix64Decode(encoded);
  FUZZ_REQUIRE(back && *back == bytes);
  return 0;
}
