#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "bookmarks/json_reader.h"
#include "platform/result.h"

namespace kestrin {

struct JsonMember;

// A JSON value held whole, for small texts such as the messages of a browser; a large file
// is read with a JsonVisitor instead.
struct JsonValue {
  enum class Kind { Other, String, Array, Object };

  Kind kind = Kind::Other;
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

// The one value the text holds, as ReadJson reads it.
Result<JsonValue> ParseJson(std::string_view text);

}  // namespace kestrin
