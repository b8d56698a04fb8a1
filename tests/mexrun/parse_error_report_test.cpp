// How a refused CALL is shown: the character column, the line at fault and
// the caret under the spot, with multi-byte characters counted as one.
#include "parse_error_report.hpp"

#include <gtest/gtest.h>

#include <string>

#include "call_parser.hpp"

namespace mexrun {
namespace {

std::string reportFor(const std::string& call) {
  try {
    parseCall(call);
  } catch (const ParseError& e) {
    return describeParseError(call, e);
  }
  return "accepted";
}

TEST(ParseErrorReport, CaretUnderTheCharacterColumn) {
  struct {
    const char* name;
    const char* call;
    const char* report;
  } cases[] = {
      {"a whole two-byte character quoted", "armpose(\xC3\xA9)",
       "parse error at column 9: expected an expression, found '\xC3\xA9'\n"
       "  armpose(\xC3\xA9)\n"
       "          ^"},
      {"characters before the spot count once each", "armpose('\xC3\xA9\xE2\x82\xAC', q)",
       "parse error at column 15: unknown function or constant 'q'\n"
       "  armpose('\xC3\xA9\xE2\x82\xAC', q)\n"
       "                ^"},
      {"the end of the call", "armpose(",
       "parse error at column 9: expected an expression before the end of the call\n"
       "  armpose(\n"
       "          ^"},
      {"a byte that is not UTF-8 is named, and shown as one replacement character", "armpose(\xC3)",
       "parse error at column 9: expected an expression, found the byte 0xC3, which is not UTF-8\n"
       "  armpose(\xEF\xBF\xBD)\n"
       "          ^"},
      {"a control character is named; a tab is shown as one blank", "armpose(\t1,\x01)",
       "parse error at column 12: expected an expression, found the control character U+0001\n"
       "  armpose( 1,\xEF\xBF\xBD)\n"
       "             ^"},
      {"a call over several lines: the line at fault only", "armpose([1 2\r\n3 4\n5 q])",
       "parse error at line 3, column 3: unknown function or constant 'q'\n"
       "  5 q])\n"
       "    ^"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(reportFor(c.call), c.report);
  }
}

}  // namespace
}  // namespace mexrun
