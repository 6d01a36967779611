#include "bookmarks/json_value.h"

namespace kestrin {
namespace {

// Builds the tree as the reader meets its parts. A value's place is taken when it begins;
// while it is open nothing else is added to the values holding it, so the pointers to the
// open values stay good.
class TreeBuilder : public JsonVisitor {
 public:
  JsonValue root;

  void BeginObject() override { open_.push_back(&Add(Of(JsonValue::Kind::Object))); }
  void MemberName(std::string name) override { name_ = std::move(name); }
  void EndObject() override { open_.pop_back(); }
  void BeginArray() override { open_.push_back(&Add(Of(JsonValue::Kind::Array))); }
  void EndArray() override { open_.pop_back(); }
  void String(std::string value) override { Add(Of(JsonValue::Kind::String, std::move(value))); }
  void OtherValue(std::string_view text) override {
    Add(Of(JsonValue::Kind::Other, std::string(text)));
  }

 private:
  static JsonValue Of(JsonValue::Kind kind, std::string text = "") {
    JsonValue value;
    value.kind = kind;
    value.text = std::move(text);
    return value;
  }

  JsonValue& Add(JsonValue value) {
    if (open_.empty()) {
      return root = std::move(value);
    }
    JsonValue& holder = *open_.back();
    if (holder.kind == JsonValue::Kind::Array) {
      return holder.items.emplace_back(std::move(value));
    }
    holder.members.push_back({std::move(name_), std::move(value)});
    return holder.members.back().value;
  }

  std::vector<JsonValue*> open_;
  std::string name_;
};

}  // namespace

const JsonValue* JsonValue::Member(std::string_view name) const {
  for (const JsonMember& member : members) {
    if (member.name == name) {
      return &member.value;
    }
  }
  return nullptr;
}

std::string JsonValue::StringMember(std::string_view name) const {
  const JsonValue* value = Member(name);
  return value != nullptr && value->kind == Kind::String ? value->text : "";
}

Result<JsonValue> ParseJson(std::string_view text) {
  TreeBuilder builder;
  if (const Result<> read = ReadJson(text, builder); !read) {
    return Result<JsonValue>::Fail(read.error());
  }
  return Result<JsonValue>::Ok(std::move(builder.root));
}

}  // namespace kestrin
