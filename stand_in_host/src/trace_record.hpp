// trace_record.hpp — how the data library and libmex write the calling
// thread's record (standin/trace.hpp). Every function here is cheap when the
// thread is not recording; callers test recording() before building a line.
#pragma once

#include <standin/host.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

namespace standin::detail {

// Whether the calling thread is recording.
STANDIN_HOST_API bool recording();
// The id of the object of `kind` ('A' array, 'F' factory, 'R' reference,
// 'H' function handle) known by `key` (an array's serial, another object's
// address), numbered on first sight; "invalid" for key 0.
STANDIN_HOST_API std::string recordId(char kind, std::uint64_t key);
// Forgets an object that was destroyed, so that a new object at its address
// gets an id of its own.
STANDIN_HOST_API void recordForget(char kind, std::uint64_t key);
STANDIN_HOST_API void recordLine(std::string line);
// `n` bytes as hexadecimal, most significant first in each 8-byte word.
STANDIN_HOST_API std::string recordBits(const void* bytes, std::size_t n);

}  // namespace standin::detail
