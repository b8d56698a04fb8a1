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
// Anything else throws `ParseError` carrying the 1-based column (byte
// position in the text) where the trouble was found and a one-line message.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "value.hpp"

namespace mexrun {

struct Call {
  std::string function;
  std::vector<Value> arguments;
};

class ParseError : public std::runtime_error {
 public:
  ParseError(std::size_t column, const std::string& message)
      : std::runtime_error(message), column_(column) {}
  std::size_t column() const { return column_; }

 private:
  std::size_t column_;
};

// Parses and evaluates the whole text; trailing blanks are allowed, nothing
// else may follow the closing parenthesis.
Call parseCall(std::string_view text);

}  // namespace mexrun
