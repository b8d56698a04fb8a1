// data/detail/status.hpp — turns a host data operation's status into an
// exception.
//
// Status 0 is success. Each of 1-3, 5-19, 21-47 and 51 throws the array
// exception of that type: 28 and 29 with the message the caller supplies,
// the others with a fixed message of their own ("Array index is invalid."
// for 1, "Can't index into an empty array." for 21, ...). Any other status
// throws type 20, "System Error.".
#pragma once

#include <cstdint>

namespace matlab::data::detail {

// The fixed message of status `status` (the text the exception carries when
// the caller supplies none); "System Error." for a status that maps to type 20.
const char* statusMessage(std::int32_t status) noexcept;

// Throws the exception for non-zero `status`; `message` is used by the types
// whose message the caller supplies.
[[noreturn]] void throwStatus(std::int32_t status, const char* message = "");

inline void throwIfError(std::int32_t status) {
  if (status != 0) throwStatus(status);
}

}  // namespace matlab::data::detail
