// data/array_exception.hpp — the data API's array exceptions.
//
// Every failure of a host data operation is thrown as
// matlab::data::detail::ArrayException<matlab::Exception, T>, one C++ type
// per exception type T, derived from both matlab::Exception and
// std::exception; what() is the type's fixed message (or, for the few types
// whose message the thrower supplies, that message). The numeric value of T
// is the host's status code (see detail/status.hpp).
//
//   try { ... } catch (const matlab::data::detail::ArrayException<
//                       matlab::Exception, matlab::data::ExceptionType::ArrayTypeMismatch>&) { ... }
#pragma once

#include <matlab/exception.hpp>

#include <exception>

namespace matlab::data {

// The exception types whose meaning the gateways rely on. Every other value
// in 1..51 is a type of its own as well (see detail/status.hpp).
enum class ExceptionType : int {
  InvalidArrayIndex = 1,
  NotEnoughIndices = 5,
  TooManyIndices = 6,
  DataTypeMismatch = 8,
  ArrayTypeMismatch = 9,
  OutOfMemory = 19,
  SystemError = 20,
  EmptyArrayIndex = 21,
  FeatureNotSupported = 22,
};

namespace detail {

template <typename Base, ExceptionType Type>
class ArrayException : public Base, public std::exception {
 public:
  // `message` has static storage (every message of the data API is a fixed
  // text), so throwing allocates nothing beyond the exception object.
  explicit ArrayException(const char* message) noexcept : message_(message) {}
  // Overrides both matlab::Exception::what and std::exception::what.
  const char* what() const noexcept override { return message_; }
  static constexpr ExceptionType type() noexcept { return Type; }

 private:
  const char* message_;
};

}  // namespace detail
}  // namespace matlab::data
