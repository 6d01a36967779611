#pragma once

#include <optional>
#include <string>
#include <utility>

namespace kestrin {

// The outcome of an operation that can fail: a value, or a text that says why not.
// Errors travel as values so that no layer has to catch another layer's exceptions.
template <typename T>
class Result {
 public:
  static Result Ok(T value) { return Result(std::move(value), {}); }
  static Result Fail(std::string error) { return Result(std::nullopt, std::move(error)); }

  explicit operator bool() const { return value_.has_value(); }
  bool ok() const { return value_.has_value(); }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  const std::string& error() const { return error_; }

 private:
  Result(std::optional<T> value, std::string error)
      : value_(std::move(value)), error_(std::move(error)) {}

  std::optional<T> value_;
  std::string error_;
};

}  // namespace kestrin
