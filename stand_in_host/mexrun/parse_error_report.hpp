// parse_error_report.hpp — a refused CALL as a person reads it: where, why,
// and the line of the call with a caret under the spot.
//
//   parse error at column 9: expected an expression, found 'é'
//     armpose(é)
//             ^
//
// Columns count characters, not bytes, from 1. A call that spans lines is
// located by line and column, and only its line at fault is shown. In the
// shown line a tab is one blank and a control character or a byte that is
// not UTF-8 is one U+FFFD, so that the caret stays under its column. No
// trailing line feed.
#pragma once

#include <string>
#include <string_view>

#include "parse_error.hpp"

namespace mexrun {

std::string describeParseError(std::string_view call, const ParseError& error);

}  // namespace mexrun
