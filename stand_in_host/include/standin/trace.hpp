// trace.hpp — a record of everything a MEX file asks of the host, on one
// thread: every data operation with its arguments and its answer, every
// get_function_ptr lookup, the libmex calls, and (from the loader) each entry
// point called and what each callback received. One line each, in order.
//
// Handles are written as small ids numbered in order of first appearance in
// the record: arrays A1, A2, ... (by identity, so a reused address is a new
// id), factories F1, references R1, function handles H1; a pointer that is
// not a live object of its kind is written "invalid", null "null". Values
// are written as their bits in hexadecimal (a double as 16 digits), type codes
// and indices as decimal numbers, yes/no answers as "yes"/"no", the flag of
// operation 55 as unique=0/1. For example:
//
//   get_function_ptr(14) -> found
//   14 createFactory() -> 0 F1
//   53 getArrayType(A1) -> 0 type 3
//   59 canViewAs(requested 3, actual 3) -> 0 yes
//   55 unshareArray(A1, unique=0) -> true A3
//   56 arrayGetReference(A3, 0) -> 0 R1
//   16 referenceAddIndex(R1, 0) -> 0
//   93 referenceGetAddress(R1) -> 0 element 3fb999999999999a
//   95 referenceAssign(R2, 3, 3ff0000000000000) -> 0
//
// Recording is per thread and off unless started; other threads are never
// recorded.
//
//   standin::startTrace();
//   ... mex.call(...) ...
//   std::vector<std::string> lines = standin::stopTrace();
#pragma once

#include <standin/host.hpp>

#include <string>
#include <vector>

namespace standin {

// Starts a new record on the calling thread (ids start again from 1).
STANDIN_HOST_API void startTrace();
// Stops recording on the calling thread and returns the record.
STANDIN_HOST_API std::vector<std::string> stopTrace();
// Whether the calling thread is recording.
STANDIN_HOST_API bool tracing();
// Adds a line of the host's own (an entry point called, a callback), when
// recording.
STANDIN_HOST_API void traceNote(const std::string& line);
// The record's id of an array ("A2"), given one if it has none yet; empty
// when not recording.
STANDIN_HOST_API std::string traceId(const ArrayImpl* array);

}  // namespace standin
