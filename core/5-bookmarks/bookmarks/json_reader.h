#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace kestrin {

// What a JSON reader meets, in the order of the text: a reader keeps of it only what it
// needs, so that a large file does not cost many times its size in memory.
class JsonVisitor {
 public:
  virtual ~JsonVisitor() = default;
  virtual void BeginObject() = 0;
  virtual void MemberName(std::string name) = 0;  // its value follows
  virtual void EndObject() = 0;
  virtual void BeginArray() = 0;
  virtual void EndArray() = 0;
  virtual void String(std::string value) = 0;  // decoded, UTF-8
  virtual void OtherValue(std::string_view text) = 0;  // a number, true, false or null
};

// Values nested deeper than this are refused, so that the reader's recursion stays shallow.
inline constexpr std::size_t kMaxJsonDepth = 512;

// Reads the one value the text holds, blanks around it allowed, as strict RFC 8259 text
// reads: what a browser's own files hold. Fails on anything else, saying where and why;
// the visitor may then have met part of the text.
Result<> ReadJson(std::string_view text, JsonVisitor& visitor);

}  // namespace kestrin
