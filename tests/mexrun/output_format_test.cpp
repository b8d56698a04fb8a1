// What mexrun prints for each kind of handed-back array, and how a parsed
// argument becomes a host array description.
#include "output_format.hpp"

#include <gtest/gtest.h>

#include <complex>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "call_parser.hpp"
#include "host_value.hpp"

namespace mexrun {
namespace {

namespace abi = matlab::abi;

TEST(OutputFormat, HeaderAndAlignedRows) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct {
    const char* name;
    standin::Value value;
    bool hex;
    const char* text;
  } cases[] = {
      {"row-major rows of a column-major array", standin::doubles({2, 3}, {1, 4, 2, 5, 3, 6}), false,
       "out1 = 2x3 double\n   1   2   3\n   4   5   6\n"},
      {"decimal points aligned, signs and -0 in their places, no trailing blanks",
       standin::doubles({3, 2}, {0.057, -0.009999999999999998, 10, -0.0, 1.5, 1}), false,
       "out1 = 3x2 double\n"
       "    0.057                  -0\n"
       "   -0.009999999999999998    1.5\n"
       "   10                       1\n"},
      {"NaN and Inf end where the units digits do; exponents align on the mantissa's point",
       standin::doubles({4, 1}, {kNaN, -kInf, 1e-07, -1.5e+17}), false,
       "out1 = 4x1 double\n    NaN\n   -Inf\n      1e-07\n     -1.5e+17\n"},
      {"hex: bits one space apart, unaligned", standin::doubles({1, 2}, {1.0, -0.0}), true,
       "out1 = 1x2 double\n3ff0000000000000 8000000000000000\n"},
      {"default array: header only", standin::Value{}, false, "out1 = 0x0 double\n"},
      {"empty with rows: header only", standin::doubles({3, 0}, {}), false, "out1 = 3x0 double\n"},
      {"pages", standin::doubles({1, 2, 2}, {1, 2, 3, 40}), false,
       "out1 = 1x2x2 double\n(:,:,1)\n   1   2\n(:,:,2)\n   3   40\n"},
      {"complex: real parts aligned, imaginary parts after them",
       standin::complexDoubles({2, 1}, {{1, 2}, {-10.5, -0.0}}), false,
       "out1 = 2x1 complex double\n     1+2i\n   -10.5-0i\n"},
      {"complex hex", standin::complexDoubles({1, 1}, {{1, -2}}), true,
       "out1 = 1x1 complex double\n3ff0000000000000+c000000000000000i\n"},
      {"sparse", standin::sparseDoubles({2, 1}, {0, 3}), false, "out1 = 2x1 sparse double\n   0\n   3\n"},
      {"single", standin::numeric<float>(abi::kSingle, {1, 2}, {0.1f, 2.0f}), false,
       "out1 = 1x2 single\n   0.1   2\n"},
      {"int8 right-aligned", standin::numeric<std::int8_t>(abi::kInt8, {2, 1}, {-128, 7}), false,
       "out1 = 2x1 int8\n   -128\n      7\n"},
      {"int8 hex", standin::numeric<std::int8_t>(abi::kInt8, {1, 2}, {-128, 7}), true, "out1 = 1x2 int8\n80 07\n"},
      {"uint64", standin::numeric<std::uint64_t>(abi::kUInt64, {1, 1}, {18446744073709551615u}), false,
       "out1 = 1x1 uint64\n   18446744073709551615\n"},
      {"logical", standin::logicals({1, 2}, {1, 0}), false, "out1 = 1x2 logical\n   1   0\n"},
      {"char: the text, unaligned", standin::text("hi"), false, "out1 = 1x2 char\nhi\n"},
      {"cell: header only", standin::cell({1, 1}, {standin::Value{}}), false, "out1 = 1x1 cell\n"},
      {"struct: header only", standin::structure({1, 1}, {}, {}), false, "out1 = 1x1 struct\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(formatOutput("out1", c.value, c.hex), c.text);
  }
}

// Columns that do not fit 80 characters split into blocks, each headed as
// MATLAB heads them; the values and their order are unchanged.
TEST(OutputFormat, WideArraysSplitIntoColumnBlocks) {
  const std::string third = "-0.3333333333333333";  // 19 characters: three fit a line
  auto row = [&](int n) {
    std::string line = "   " + third;
    for (int k = 1; k < n; ++k) line += "   " + third;
    return line + "\n";
  };
  struct {
    std::uint64_t rows;
    std::uint64_t cols;
    std::string text;
  } cases[] = {
      {1, 3, "out1 = 1x3 double\n" + row(3)},
      {1, 5, "out1 = 1x5 double\n  Columns 1 through 3\n" + row(3) + "  Columns 4 and 5\n" + row(2)},
      {2, 7, "out1 = 2x7 double\n  Columns 1 through 3\n" + row(3) + row(3) + "  Columns 4 through 6\n" + row(3) +
                 row(3) + "  Column 7\n" + row(1) + row(1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cols);
    const standin::Value v = standin::doubles({c.rows, c.cols}, std::vector<double>(c.rows * c.cols, -1.0 / 3));
    const std::string text = formatOutput("out1", v, false);
    EXPECT_EQ(text, c.text);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
  }
  // Hex output is for programs: one line per row however wide.
  EXPECT_EQ(formatOutput("out1", standin::doubles({1, 7}, std::vector<double>(7, 1.0)), true),
            "out1 = 1x7 double\n" + std::string("3ff0000000000000 3ff0000000000000 3ff0000000000000 ") +
                "3ff0000000000000 3ff0000000000000 3ff0000000000000 3ff0000000000000\n");
}

TEST(HostValue, ClassCodesAndElementBytes) {
  struct {
    const char* call;
    std::int32_t type;
    std::vector<std::uint64_t> dims;
    std::vector<unsigned char> bytes;
  } cases[] = {
      {"f([1; 2])", abi::kDouble, {2, 1}, standin::doubles({2, 1}, {1, 2}).bytes},
      {"f(complex(1, 2))", abi::kComplexDouble, {1, 1}, standin::complexDoubles({1, 1}, {{1, 2}}).bytes},
      {"f(sparse([0 3]))", abi::kSparseDouble, {1, 2}, standin::doubles({1, 2}, {0, 3}).bytes},
      {"f(sparse(1i))", abi::kSparseComplexDouble, {1, 1}, standin::complexDoubles({1, 1}, {{0, 1}}).bytes},
      {"f(single(0.1))", abi::kSingle, {1, 1}, standin::numeric<float>(abi::kSingle, {1, 1}, {0.1f}).bytes},
      {"f(int64([-Inf Inf]))", abi::kInt64, {1, 2},
       standin::numeric<std::int64_t>(abi::kInt64, {1, 2}, {INT64_MIN, INT64_MAX}).bytes},
      {"f(uint64(Inf))", abi::kUInt64, {1, 1},
       standin::numeric<std::uint64_t>(abi::kUInt64, {1, 1}, {UINT64_MAX}).bytes},
      {"f(complex(int16(1), int16(-2)))", abi::kComplexInt16, {1, 1},
       standin::numeric<std::int16_t>(abi::kComplexInt16, {1, 1}, {1, -2}).bytes},
      {"f(logical([1 0]))", abi::kLogical, {1, 2}, {1, 0}},
      {"f(sparse(true))", abi::kSparseLogical, {1, 1}, {1}},
      {"f('ab')", abi::kChar, {1, 2}, standin::text("ab").bytes},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    const standin::Value v = toHostValue(parseCall(c.call).arguments.at(0));
    EXPECT_EQ(v.type, c.type);
    EXPECT_EQ(v.dims, c.dims);
    EXPECT_EQ(v.bytes, c.bytes);
  }
}

TEST(HostValue, ContainersAndStrings) {
  const standin::Value cell = toHostValue(parseCall("f({1, 'a'})").arguments.at(0));
  EXPECT_EQ(cell.type, abi::kCell);
  ASSERT_EQ(cell.elements.size(), 2u);
  EXPECT_EQ(cell.elements[1].type, abi::kChar);

  const standin::Value s = toHostValue(parseCall("f(struct('x', 1))").arguments.at(0));
  EXPECT_EQ(s.type, abi::kStruct);
  EXPECT_EQ(s.fields, (std::vector<std::string>{"x"}));
  ASSERT_EQ(s.elements.size(), 1u);
  EXPECT_EQ(s.elements[0].doubles(), (std::vector<double>{1}));

  EXPECT_THROW(toHostValue(parseCall("f(\"text\")").arguments.at(0)), std::invalid_argument);
}

}  // namespace
}  // namespace mexrun
