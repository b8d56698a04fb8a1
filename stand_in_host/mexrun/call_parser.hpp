// call_parser.hpp — reads a MATLAB-style call such as
// `armpose([0.1; -0.4; 0.3; 0.2; 0.5; -0.6])` into the function name and
// the values of its arguments.
//
// Accepted: numbers (`1e-3`, `.5`, `2i`), `pi`, `eps`, `NaN`, `Inf`, `true`,
// `false`; unary `+ -`, binary `+ - * / ^` and `.* ./ .^` on double values of
// equal size or with one scalar; `'` and `.'` transpose; `[a b]`, `[a, b]`,
// `[a; b]` (arrays concatenate, empty 0x0 arrays drop out); `{...}` cells;
// `'text'` (char) and `"text"` (string); `zeros ones eye NaN Inf true false
// cell` with sizes, an optional class name last (`zeros(6,1,'single')`);
// `double single int8 ... uint64 logical` conversions; `complex(re, im)`;
// `sparse(A)` and `sparse(m, n)`; `struct()` and `struct('f', v, ...)`.
// A bare name (`armpose`) is a call without arguments.
//
// Anything else throws `ParseError` (parse_error.hpp) carrying the 1-based
// byte column where the trouble was found and a one-line message. The
// evaluation itself lives beside: value_conversion, concatenation,
// arithmetic and builtins; this reader depends on them, never the reverse.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "parse_error.hpp"
#include "value.hpp"

namespace mexrun {

struct Call {
  std::string function;
  std::vector<Value> arguments;
};

// Parses and evaluates the whole text; trailing blanks are allowed, nothing
// else may follow the closing parenthesis.
Call parseCall(std::string_view text);

}  // namespace mexrun
