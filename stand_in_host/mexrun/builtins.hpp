// builtins.hpp — the functions and constants a CALL may name.
//
//   zeros ones eye pi eps NaN nan Inf inf true false   filled arrays: no
//       size gives 1x1, n gives nxn, (r, c, ...) or ([r c ...]) that shape;
//       an optional class name last, zeros(6,1,'single')
//   double single int8 ... uint64 logical               class conversion
//   cell(size)  complex(re[, im])  sparse(A) / sparse(m, n)
//   struct() / struct('name', value, ...)
//
// Sizes are whole numbers (a negative one counts as 0); an array may hold
// up to kMaxElements elements, a cell up to 100 000 cells. Refusals throw
// `ParseError` at the argument at fault, or at the name.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "value.hpp"

namespace mexrun {

// One evaluated argument and where its text starts in the CALL.
struct Arg {
  Value value;
  std::size_t pos;
};


// The value of `name(args)`; a bare name has no arguments.
Value callFunction(const std::string& name, std::size_t namePos, const std::vector<Arg>& args);

}  // namespace mexrun
