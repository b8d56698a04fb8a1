// parse_error_report.cpp — from the byte column of the error to the line and
// character column, then the shown line and its caret.
#include "parse_error_report.hpp"

#include <algorithm>
#include <cstddef>

#include "utf8.hpp"

namespace mexrun {
namespace {

bool isLineBreak(char c) { return c == '\n' || c == '\r'; }

// The line as shown: one column per character.
std::string shownLine(std::string_view line) {
  std::string out;
  for (std::size_t k = 0; k < line.size();) {
    const Utf8Char c = decodeUtf8(line, k);
    if (c.length == 0 || (c.codePoint < 0x20 && c.codePoint != '\t') || c.codePoint == 0x7F) {
      out += "\xEF\xBF\xBD";  // U+FFFD
    } else if (c.codePoint == '\t') {
      out += ' ';
    } else {
      out += line.substr(k, c.length);
    }
    k += c.length == 0 ? 1 : c.length;
  }
  return out;
}

}  // namespace

std::string describeParseError(std::string_view call, const ParseError& error) {
  const std::size_t at = std::min(error.column() - 1, call.size());
  // The line holding the error: after the last break before it, up to the
  // next break. "\r\n" is one break.
  std::size_t lineStart = 0;
  std::size_t lineNumber = 1;
  for (std::size_t k = 0; k < at; ++k) {
    if (!isLineBreak(call[k])) continue;
    if (call[k] == '\r' && k + 1 < call.size() && call[k + 1] == '\n') ++k;
    ++lineNumber;
    lineStart = k + 1;
  }
  lineStart = std::min(lineStart, at);
  std::size_t lineEnd = at;
  while (lineEnd < call.size() && !isLineBreak(call[lineEnd])) ++lineEnd;
  const std::string_view line = call.substr(lineStart, lineEnd - lineStart);
  const std::size_t column = countUtf8Characters(call.substr(lineStart, at - lineStart)) + 1;
  const bool multiline = std::any_of(call.begin(), call.end(), isLineBreak);

  std::string out = "parse error at ";
  if (multiline) out += "line " + std::to_string(lineNumber) + ", ";
  out += "column " + std::to_string(column) + ": " + error.what() + "\n";
  out += "  " + shownLine(line) + "\n";
  out += std::string(column + 1, ' ') + "^";
  return out;
}

}  // namespace mexrun
