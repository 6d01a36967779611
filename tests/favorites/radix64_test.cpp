// Radix-64 field codec.

#include "formats/radix64.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrin {
namespace {

TEST(Radix64Encode, KnownValues) {
  EXPECT_EQ(Radix64Encode("D"), "RA==");
  EXPECT_EQ(Radix64Encode("F"), "Rg==");
  EXPECT_EQ(Radix64Encode("ab"), "YWI=");
  EXPECT_EQ(Radix64Encode("a"), "YQ==");
  EXPECT_EQ(Radix64Encode(""), "");
  EXPECT_EQ(Radix64Encode("12/1/2026 10:15:30 PM"), "MTIvMS8yMDI2IDEwOjE1OjMwIFBN");
}

TEST(Radix64Encode, UsesTheWholeAlphabetAndHighBytes) {
  EXPECT_EQ(Radix64Encode(std::string("\x00\x00\x00", 3)), "AAAA");
  EXPECT_EQ(Radix64Encode("\xFF\xFF\xFF"), "////");
  EXPECT_EQ(Radix64Encode("\xE9"), "6Q==");  // é in Windows-1252
}

TEST(Radix64Decode, IgnoresAnIncompleteLastGroup) {
  EXPECT_EQ(Radix64Decode("YWJjZA"), "abc");
  EXPECT_EQ(Radix64Decode("YWJjZAZ"), "abc");
  EXPECT_EQ(Radix64Decode("Y"), "");
  EXPECT_EQ(Radix64Decode("YQ="), "");
}

TEST(Radix64Decode, AcceptsTheAlphabetAndNothingElse) {
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
  for (int code = 0; code < 256; ++code) {
    const char c = static_cast<char>(code);
    const std::string group(4, c);
    const bool inAlphabet = alphabet.find(c) != std::string::npos;
    EXPECT_EQ(Radix64Decode(group).has_value(), inAlphabet) << code;
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

TEST(Radix64RoundTrip, All256ByteValuesInEveryAlignment) {
  std::string all;
  for (int code = 0; code < 256; ++code) {
    all += static_cast<char>(code);
  }
  for (std::size_t skip = 0; skip < 3; ++skip) {
    const std::string text = all.substr(skip);
    const std::string encoded = Radix64Encode(text);
    EXPECT_EQ(encoded.find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
              std::string::npos);
    EXPECT_EQ(Radix64Decode(encoded), text);
  }
}

}  // namespace
}  // namespace kestrin
