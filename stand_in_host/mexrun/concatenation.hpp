// concatenation.hpp — rearranging values: [a b], [a; b], transposes, and the
// class a concatenation takes.
//
// Concatenation follows MATLAB: any cell item makes a cell (other items are
// wrapped), any struct item needs every item to be a struct with the same
// fields (taken in the first one's order), any string item turns char rows
// into strings; otherwise numeric, logical and char items are converted to
// `numericConcatClass`. 0x0 items drop out. Only 2-D values concatenate or
// transpose. `positions` hold each item's place in the CALL, for errors.
#pragma once

#include <cstddef>
#include <vector>

#include "value.hpp"

namespace mexrun {

// The class of [a b ...] for numeric, logical and char items: the leftmost
// integer class, else char, else single, else logical when all are, else
// double.
ValueClass numericConcatClass(const std::vector<Value>& items);

// [a b ...] (horizontal) or [a; b; ...] (vertical).
Value concatenate(std::vector<Value> items, const std::vector<std::size_t>& positions, bool horizontal);

// v' (conjugate) or v.' of a 2-D value.
Value transpose(const Value& v, bool conjugate, std::size_t pos);

// A 1x1 cell holding v.
Value wrapInCell(Value v);

}  // namespace mexrun
