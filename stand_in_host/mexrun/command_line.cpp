// command_line.cpp — the C runtime's splitting rules on the UTF-8 form of the
// command line (every character they look at is ASCII, so splitting bytes is
// splitting characters).
#include "command_line.hpp"

#include <cstddef>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace mexrun {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  std::size_t k = 0;
  std::string program;
  for (bool quoted = false; k < line.size() && (quoted || !isBlank(line[k])); ++k) {
    if (line[k] == '"') {
      quoted = !quoted;
    } else {
      program += line[k];
    }
  }
  args.push_back(program);
  for (;;) {
    while (k < line.size() && isBlank(line[k])) ++k;
    if (k == line.size()) break;
    std::string arg;
    bool quoted = false;
    while (k < line.size() && (quoted || !isBlank(line[k]))) {
      std::size_t backslashes = 0;
      while (k < line.size() && line[k] == '\\') {
        ++backslashes;
        ++k;
      }
      if (k < line.size() && line[k] == '"') {
        arg.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          arg += '"';
          ++k;
        } else if (quoted && k + 1 < line.size() && line[k + 1] == '"') {
          arg += '"';
          k += 2;
        } else {
          quoted = !quoted;
          ++k;
        }
        continue;
      }
      arg.append(backslashes, '\\');
      if (k < line.size() && (quoted || !isBlank(line[k]))) arg += line[k++];
    }
    args.push_back(arg);
  }
  return args;
}

std::vector<std::string> utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
  const wchar_t* wide = GetCommandLineW();
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n > 0) {
    std::string line(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &line[0], n, nullptr, nullptr);
    line.pop_back();  // the terminating NUL
    return splitCommandLine(line);
  }
#endif
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace mexrun
