// parse_error.hpp — the one error a CALL can raise while it is read and
// evaluated: where in the text, and a one-line message.
//
// `column()` is 1-based and counts bytes of the text; `describeParseError`
// (parse_error_report.hpp) turns it into the character column a person sees.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace mexrun {

class ParseError : public std::runtime_error {
 public:
  ParseError(std::size_t column, const std::string& message)
      : std::runtime_error(message), column_(column) {}
  std::size_t column() const { return column_; }

 private:
  std::size_t column_;
};

// Refuses the text at 0-based byte position `pos`.
[[noreturn]] inline void fail(std::size_t pos, const std::string& message) {
  throw ParseError(pos + 1, message);
}

}  // namespace mexrun
