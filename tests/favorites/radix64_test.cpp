// Radix-64 field codec: the exact forms other computers' lists carry, and the decoder's
// quirks. Round trips of any bytes are the fuzz target's property.

#include "formats/radix64.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrin {
namespace {

TEST(Radix64, KnownValuesBothWays) {
  const std::pair<std::string, std::string> kSamples[] = {
      {"D", "RA=="},
      {"F", "Rg=="},
      {"ab", "YWI="},
      {"", ""},
      {"\xE9", "6Q=="},
      {std::string("\0\0\0", 3), "AAAA"},
      {"\xFB\xEF\xBE", "++++"},
      {"\xFF\xFF\xFF", "////"},
      {"12/1/2026 10:15:30 PM", "MTIvMS8yMDI2IDEwOjE1OjMwIFBN"}};
  for (const auto& [plain, encoded] : kSamples) {
    EXPECT_EQ(Radix64Encode(plain), encoded);
    EXPECT_EQ(Radix64Decode(encoded), plain) << encoded;
  }
}

TEST(Radix64Decode, IgnoresAnIncompleteLastGroup) {
  EXPECT_EQ(Radix64Decode("YWJjZA"), "abc");
  EXPECT_EQ(Radix64Decode("YWJjZAZ"), "abc");
  EXPECT_EQ(Radix64Decode("YQ="), "");
}

TEST(Radix64Decode, AcceptsTheAlphabetAndNothingElse) {
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
  for (int code = 0; code < 256; ++code) {
    const char c = static_cast<char>(code);
    EXPECT_EQ(Radix64Decode(std::string(4, c)).has_value(), alphabet.find(c) != std::string::npos)
        << code;
  }
  // Even inside an incomplete last group, which would otherwise be ignored.
  EXPECT_FALSE(Radix64Decode("YWJjZ-").has_value());
}

TEST(Radix64Decode, PaddingRemovesCharactersFromTheEndOfTheWholeOutput) {
  // "=" inside a group other than the last is the value 64, not an error: the
  // first group writes "a" and two zero bytes, its padding then takes two characters from
  // the end of the output laid out for both groups, and the second group overwrites from
  // the moved-back position as far as the output reaches.
  EXPECT_EQ(Radix64Decode("YQ==YWJj"), "aabc");
  EXPECT_EQ(Radix64Decode("===="), std::string(1, '\0'));
}

}  // namespace
}  // namespace kestrin
