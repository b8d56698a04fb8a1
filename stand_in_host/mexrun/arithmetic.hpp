// arithmetic.hpp — the operators of a CALL on evaluated values: binary
// + - * / ^ .* ./ .^ and unary minus and plus.
//
// Binary operators work on full double values (logical and char operands
// count as double, as in MATLAB) of equal size or with one scalar; `*`, `/`
// and `^` only where that needs no matrix algebra (a scalar operand, a scalar
// divisor, scalar operands). A complex result whose imaginary parts are all
// zero is real again; a negative base to a fractional power is complex.
// Unary minus keeps integer and single classes. Refusals throw `ParseError`
// at the operator's position.
#pragma once

#include <cstddef>

#include "value.hpp"

namespace mexrun {

enum class Op { kAdd, kSub, kMul, kDiv, kPow, kElemMul, kElemDiv, kElemPow };

Value binary(const Value& lhs, const Value& rhs, Op op, std::size_t pos);
Value negate(const Value& v, std::size_t pos);
Value unaryPlus(const Value& v, std::size_t pos);

}  // namespace mexrun
