// Why an operation failed, for the operations that report it to the user: the platform's error
// number (0 where it gave none) and its description.
#pragma once

#include <optional>
#include <utility>
#include <variant>

#include "common/text.h"

namespace pellucor {

struct Error {
  int code = 0;
  Text text;
};

// The platform's error number with its description.
Error SystemError(int code);

// A value, or the Error that kept it from being made. Result<> says only whether it worked.
template <class T = void>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::move(value)) {}      // NOLINT: a value is a success
  Result(Error error) : v_(std::move(error)) {}  // NOLINT: an error is a failure
  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& operator*() { return std::get<0>(v_); }
  const T& operator*() const { return std::get<0>(v_); }
  T* operator->() { return &std::get<0>(v_); }
  const Error& error() const { return std::get<1>(v_); }

 private:
  std::variant<T, Error> v_;
};

template <>
class Result<void> {
 public:
  Result() = default;
  Result(Error error) : error_(std::move(error)) {}  // NOLINT: an error is a failure
  bool ok() const { return !error_; }
  explicit operator bool() const { return ok(); }
  const Error& error() const { return *error_; }

 private:
  std::optional<Error> error_;
};

}  // namespace pellucor
