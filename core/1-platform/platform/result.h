#pragma once

#include <optional>
#include <string>
#include <utility>

namespace kestrin {

// The outcome of an operation that can fail: a value (none for Result<>), or an error that
// says why not, in plain words for the person who reads it (a text unless the operation
// needs more). Errors travel as values so that no layer has to catch another layer's
// exceptions, and [[nodiscard]] so that none is dropped unread.
template <typename T = void, typename E = std::string>
class [[nodiscard]] Result {
 public:
  static Result Ok(T value) { return Result(std::move(value), {}); }
  static Result Fail(E error) { return Result(std::nullopt, std::move(error)); }

  explicit operator bool() const { return value_.has_value(); }
  bool ok() const { return value_.has_value(); }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  const E& error() const { return error_; }

 private:
  Result(std::optional<T> value, E error) : value_(std::move(value)), error_(std::move(error)) {}

  std::optional<T> value_;
  E error_;
};

template <typename E>
class [[nodiscard]] Result<void, E> {
 public:
  static Result Ok() { return Result(true, {}); }
  static Result Fail(E error) { return Result(false, std::move(error)); }

  explicit operator bool() const { return ok_; }
  bool ok() const { return ok_; }
  const E& error() const { return error_; }

 private:
  Result(bool ok, E error) : ok_(ok), error_(std::move(error)) {}

  bool ok_;
  E error_;
};

}  // namespace kestrin
