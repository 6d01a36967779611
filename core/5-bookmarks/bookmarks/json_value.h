#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace kestrin {

struct JsonMember;

// A JSON value, as strict RFC 8259 text reads: what a browser's own files hold.
struct JsonValue {
  enum class Kind { Null, Boolean, Number, String, Array, Object };

  Kind kind = Kind::Null;
  std::string text;  // a string's value (UTF-8), a number's or a literal's text
  std::vector<JsonValue> items;
  std::vector<JsonMember> members;

  // The first member of that name; nullptr when there is none or this is no object.
  const JsonValue* Member(std::string_view name) const;
  // The string member of that name; empty when there is none.
  std::string StringMember(std::string_view name) const;
};

struct JsonMember {
  std::string name;
  JsonValue value;
};

// Values nested deeper than this are refused, so that the reader's recursion stays shallow.
inline constexpr std::size_t kMaxJsonDepth = 512;

// The one value the text holds, blanks around it allowed. Fails on anything else, saying
// where and why.
Result<JsonValue> ParseJson(std::string_view text);

}  // namespace kestrin
