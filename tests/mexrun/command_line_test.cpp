// Splitting a Windows command line as the C runtime does, so that mexrun.exe
// sees the arguments it would see from argv, only in UTF-8.
#include "command_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mexrun {
namespace {

TEST(CommandLine, SplitsAsTheCRuntimeDoes) {
  using Args = std::vector<std::string>;
  struct {
    const char* line;
    Args args;
  } cases[] = {
      {"mexrun", {"mexrun"}},
      {"mexrun  a\tb ", {"mexrun", "a", "b"}},
      {R"("C:\Program Files\mexrun.exe" x)", {R"(C:\Program Files\mexrun.exe)", "x"}},
      {R"~(mexrun "armpose(zeros(6,1), 'a b')")~", {"mexrun", "armpose(zeros(6,1), 'a b')"}},
      {R"(mexrun a"b c"d "")", {"mexrun", "ab cd", ""}},
      {R"~(mexrun "f(\"text\")")~", {"mexrun", R"~(f("text"))~"}},
      {R"(mexrun a\\\"b a\\"b c" C:\dir\ \\)", {"mexrun", R"(a\"b)", R"(a\b c)", R"(C:\dir\)", R"(\\)"}},
      {R"(mexrun "a""b" c)", {"mexrun", R"(a"b)", "c"}},
      {"mexrun armpose(\xC3\xA9)", {"mexrun", "armpose(\xC3\xA9)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(splitCommandLine(c.line), c.args);
  }
}

}  // namespace
}  // namespace mexrun
