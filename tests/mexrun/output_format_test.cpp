// What mexrun prints for each kind of handed-back array, and how a parsed
// argument becomes a host array description.
#include "output_format.hpp"

#include <gtest/gtest.h>

#include <complex>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "call_parser.hpp"
#include "host_value.hpp"

namespace mexrun {
namespace {

namespace abi = matlab::abi;

TEST(OutputFormat, HeaderAndRows) {
  struct {
    const char* name;
    standin::Value value;
    bool hex;
    const char* text;
  } cases[] = {
      {"row-major rows of a column-major array", standin::doubles({2, 3}, {1, 4, 2, 5, 3, 6}), false,
       "out1 = 2x3 double\n1 2 3\n4 5 6\n"},
      {"signed zero and special values", standin::doubles({1, 4}, {-0.0, std::numeric_limits<double>::quiet_NaN(),
                                                                   std::numeric_limits<double>::infinity(), -1e-07}),
       false, "out1 = 1x4 double\n-0 NaN Inf -1e-07\n"},
      {"hex", standin::doubles({1, 2}, {1.0, -0.0}), true, "out1 = 1x2 double\n3ff0000000000000 8000000000000000\n"},
      {"default array: header only", standin::Value{}, false, "out1 = 0x0 double\n"},
      {"empty with rows: header only", standin::doubles({3, 0}, {}), false, "out1 = 3x0 double\n"},
      {"pages", standin::doubles({1, 2, 2}, {1, 2, 3, 4}), false, "out1 = 1x2x2 double\n(:,:,1)\n1 2\n(:,:,2)\n3 4\n"},
      {"complex", standin::complexDoubles({1, 2}, {{1, 2}, {0.5, -0.0}}), false,
       "out1 = 1x2 complex double\n1+2i 0.5-0i\n"},
      {"sparse", standin::sparseDoubles({2, 1}, {0, 3}), false, "out1 = 2x1 sparse double\n0\n3\n"},
      {"single", standin::numeric<float>(abi::kSingle, {1, 2}, {0.1f, 2.0f}), false, "out1 = 1x2 single\n0.1 2\n"},
      {"int8", standin::numeric<std::int8_t>(abi::kInt8, {1, 2}, {-128, 7}), false, "out1 = 1x2 int8\n-128 7\n"},
      {"int8 hex", standin::numeric<std::int8_t>(abi::kInt8, {1, 2}, {-128, 7}), true, "out1 = 1x2 int8\n80 07\n"},
      {"uint64", standin::numeric<std::uint64_t>(abi::kUInt64, {1, 1}, {18446744073709551615u}), false,
       "out1 = 1x1 uint64\n18446744073709551615\n"},
      {"logical", standin::logicals({1, 2}, {1, 0}), false, "out1 = 1x2 logical\n1 0\n"},
      {"char", standin::text("hi"), false, "out1 = 1x2 char\nhi\n"},
      {"cell: header only", standin::cell({1, 1}, {standin::Value{}}), false, "out1 = 1x1 cell\n"},
      {"struct: header only", standin::structure({1, 1}, {}, {}), false, "out1 = 1x1 struct\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(formatOutput("out1", c.value, c.hex), c.text);
  }
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
