// value_conversion.hpp — making plain values and converting them between
// classes as MATLAB's class functions do (double, single, int8 ... uint64,
// logical, char).
//
// Conversion rounds half away from zero and saturates for the integer
// classes (NaN becomes 0), rounds to nearest for single (overflowing to
// Inf), and gives 0 or 1 for logical. Every function that can refuse its
// input throws `ParseError` at the position it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "parse_error.hpp"
#include "value.hpp"

namespace mexrun {

// The most elements a value of a call may hold: keeps a mistyped size
// (zeros(1e6)) from exhausting memory.
constexpr std::uint64_t kMaxElements = 10'000'000;

Value makeNumeric(ValueClass cls, std::vector<std::uint64_t> dims, std::vector<double> real);
Value scalar(double x);
Value emptyOf(ValueClass cls);  // 0x0 of the class
bool isEmpty0x0(const Value& v);

// Drops trailing singleton dimensions beyond the second, as MATLAB does.
void trimDims(std::vector<std::uint64_t>& dims);

// One element converted to `cls`.
double toClassElement(double x, ValueClass cls);

// A numeric, logical or char value converted to `cls`; refuses containers,
// sparse values of classes other than double and logical, and complex or NaN
// values on their way to logical.
Value convert(const Value& v, ValueClass cls, std::size_t pos);

}  // namespace mexrun
