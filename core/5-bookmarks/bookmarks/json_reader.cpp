#include "bookmarks/json_reader.h"

#include <cstdint>
#include <optional>

#include "bookmarks/utf8.h"

namespace kestrin {
namespace {

class JsonParser {
 public:
  JsonParser(std::string_view text, JsonVisitor& visitor) : text_(text), visitor_(visitor) {}

  Result<> Document() {
    if (!Value(0)) {
      return Result<>::Fail(error_);
    }
    SkipBlanks();
    if (pos_ != text_.size()) {
      return Result<>::Fail(Where("text follows the value"));
    }
    return Result<>::Ok();
  }

 private:
  bool Value(std::size_t depth) {
    if (depth >= kMaxJsonDepth) {
      return Failed("values nest deeper than " + std::to_string(kMaxJsonDepth) + " levels");
    }
    SkipBlanks();
    if (pos_ >= text_.size()) {
      return Failed("the text ends where a value should be");
    }
    switch (text_[pos_]) {
      case '{':
        return Object(depth);
      case '[':
        return Array(depth);
      case '"': {
        std::string text;
        if (!String(text)) {
          return false;
        }
        visitor_.String(std::move(text));
        return true;
      }
      case 't':
        return Literal("true");
      case 'f':
        return Literal("false");
      case 'n':
        return Literal("null");
      default:
        return Number();
    }
  }

  bool Object(std::size_t depth) {
    visitor_.BeginObject();
    ++pos_;
    if (Next('}')) {
      visitor_.EndObject();
      return true;
    }
    do {
      SkipBlanks();
      std::string name;
      if (pos_ >= text_.size() || text_[pos_] != '"') {
        return Failed("a member's name is missing");
      }
      if (!String(name)) {
        return false;
      }
      if (!Next(':')) {
        return Failed("\":\" is missing");
      }
      visitor_.MemberName(std::move(name));
      if (!Value(depth + 1)) {
        return false;
      }
    } while (Next(','));
    if (!Next('}')) {
      return Failed("\"}\" is missing");
    }
    visitor_.EndObject();
    return true;
  }

  bool Array(std::size_t depth) {
    visitor_.BeginArray();
    ++pos_;
    if (Next(']')) {
      visitor_.EndArray();
      return true;
    }
    do {
      if (!Value(depth + 1)) {
        return false;
      }
    } while (Next(','));
    if (!Next(']')) {
      return Failed("\"]\" is missing");
    }
    visitor_.EndArray();
    return true;
  }

  bool Literal(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) {
      return Failed("an unknown word");
    }
    pos_ += word.size();
    visitor_.OtherValue(word);
    return true;
  }

  bool Number() {
    const std::size_t start = pos_;
    const auto digits = [this] {
      const std::size_t before = pos_;
      while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
        ++pos_;
      }
      return pos_ > before;
    };
    Next('-', false);
    const std::size_t whole = pos_;
    if (!digits() || (text_[whole] == '0' && pos_ - whole > 1)) {
      return Failed("not a value");
    }
    if (Next('.', false) && !digits()) {
      return Failed("a number without digits after its point");
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      ++pos_;
      if (!Next('+', false)) {
        Next('-', false);
      }
      if (!digits()) {
        return Failed("a number without digits in its exponent");
      }
    }
    visitor_.OtherValue(text_.substr(start, pos_ - start));
    return true;
  }

  bool String(std::string& out) {
    ++pos_;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') {
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) {
        return Failed("a control character in a string");
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) {
        break;
      }
      const char escaped = text_[pos_++];
      switch (escaped) {
        case '"':
        case '\\':
        case '/':
          out += escaped;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          auto code = Hex4();
          if (code && *code >= 0xD800 && *code <= 0xDBFF && text_.substr(pos_, 2) == "\\u") {
            pos_ += 2;
            const auto low = Hex4();
            if (!low || *low < 0xDC00 || *low > 0xDFFF) {
              return Failed("a broken surrogate pair");
            }
            code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
          }
          if (!code) {
            return Failed("a bad \\u escape");
          }
          AppendUtf8(out, *code);
          break;
        }
        default:
          return Failed("a bad escape");
      }
    }
    return Failed("a string without its closing quote");
  }

  std::optional<std::uint32_t> Hex4() {
    if (text_.size() - pos_ < 4) {
      return std::nullopt;
    }
    std::uint32_t code = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[pos_++];
      const int digit = (c >= '0' && c <= '9')   ? c - '0'
                        : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                 : -1;
      if (digit < 0) {
        return std::nullopt;
      }
      code = code * 16 + static_cast<std::uint32_t>(digit);
    }
    return code;
  }

  // Takes `c` when it comes next (after blanks when asked).
  bool Next(char c, bool blanksBefore = true) {
    if (blanksBefore) {
      SkipBlanks();
    }
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\n' || text_[pos_] == '\r')) {
      ++pos_;
    }
  }

  std::string Where(const std::string& why) const {
    return "not valid JSON at byte " + std::to_string(pos_) + ": " + why;
  }

  bool Failed(const std::string& why) {
    if (error_.empty()) {
      error_ = Where(why);
    }
    return false;
  }

  std::string_view text_;
  JsonVisitor& visitor_;
  std::size_t pos_ = 0;
  std::string error_;
};

}  // namespace

Result<> ReadJson(std::string_view text, JsonVisitor& visitor) {
  return JsonParser(text, visitor).Document();
}

}  // namespace kestrin
