// The Radix-64 decoder's quirks. The exact forms are the data file samples', round trips of
// any bytes the fuzz target's property, and characters outside the alphabet a hostile list.

#include "formats/radix64.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrin {
namespace {

TEST(Radix64Decode, IgnoresAnIncompleteLastGroup) {
  EXPECT_EQ(Radix64Decode("YWJjZA"), "abc");
  EXPECT_EQ(Radix64Decode("YWJjZAZ"), "abc");
  EXPECT_EQ(Radix64Decode("YQ="), "");
  EXPECT_FALSE(Radix64Decode("YWJjZ-").has_value());  // yet it must be of the alphabet
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
