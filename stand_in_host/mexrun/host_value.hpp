// host_value.hpp — turns a parsed argument into the stand-in host's
// description of an array, from which the host makes the input handle.
//
// Classes map to the host's class codes (double, complex double, sparse
// double, single, int8 ... uint64 and their complex forms, logical, sparse
// logical, char, cell, struct); elements are written in the class's own
// element type. Integer elements beyond the range of int64/uint64 saturate.
// The stand-in host has no string arrays: a "text" argument throws
// std::invalid_argument with a message for the user.
#pragma once

#include <standin/host.hpp>

#include "value.hpp"

namespace mexrun {

standin::Value toHostValue(const Value& value);

}  // namespace mexrun
