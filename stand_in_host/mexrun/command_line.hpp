// command_line.hpp — mexrun's arguments as UTF-8, on every system.
//
// A narrow main on Windows gets its arguments in the ANSI code page, which
// cannot hold every character; the CALL reader and the loader expect UTF-8.
// There the arguments are split again from the wide command line, by the
// C runtime's rules:
//   - blanks (space, tab) separate arguments unless inside double quotes;
//   - 2n backslashes before a quote give n backslashes, and the quote opens
//     or closes quoting; 2n+1 backslashes before a quote give n backslashes
//     and a literal quote; backslashes elsewhere are literal;
//   - inside quotes, "" is a literal quote;
//   - the program name (first argument) ends at the first blank outside
//     quotes and knows no escapes.
// Elsewhere the arguments are already bytes as the user typed them.
//
// Example: splitCommandLine(R"(mexrun "a b" c\"d)") is {"mexrun", "a b", "c\"d"}.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mexrun {

std::vector<std::string> splitCommandLine(std::string_view line);

// argv as UTF-8: on Windows from the wide command line, elsewhere as given.
std::vector<std::string> utf8Arguments(int argc, char** argv);

}  // namespace mexrun
