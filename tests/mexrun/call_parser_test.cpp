// The CALL reader: what each accepted text evaluates to, and where and why
// each malformed text is refused.
#include "call_parser.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace mexrun {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::uint64_t bits(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

// Bitwise, so that -0 differs from 0 and NaN equals NaN.
bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::isnan(a[i]) && std::isnan(b[i])) continue;
    if (bits(a[i]) != bits(b[i])) return false;
  }
  return true;
}

Value parseOne(const std::string& argument) {
  Call call = parseCall("f(" + argument + ")");
  EXPECT_EQ(call.arguments.size(), 1u);
  return call.arguments.empty() ? Value{} : call.arguments[0];
}

TEST(CallParser, NumericArgumentsEvaluateAsMatlabDoes) {
  using C = ValueClass;
  struct {
    const char* text;
    ValueClass cls;
    std::vector<std::uint64_t> dims;
    std::vector<double> real;
    std::vector<double> imag;  // empty: real value
    bool sparse;
  } cases[] = {
      {"1e-3", C::kDouble, {1, 1}, {0.001}, {}, false},
      {".5", C::kDouble, {1, 1}, {0.5}, {}, false},
      {"1.", C::kDouble, {1, 1}, {1.0}, {}, false},
      {"1e999", C::kDouble, {1, 1}, {kInf}, {}, false},
      {"-0", C::kDouble, {1, 1}, {-0.0}, {}, false},
      {"- -0", C::kDouble, {1, 1}, {0.0}, {}, false},
      {"pi", C::kDouble, {1, 1}, {3.141592653589793}, {}, false},
      {"pi/2", C::kDouble, {1, 1}, {3.141592653589793 / 2}, {}, false},
      {"-pi/4*3", C::kDouble, {1, 1}, {-3.141592653589793 / 4 * 3}, {}, false},
      {"1-2*3", C::kDouble, {1, 1}, {-5.0}, {}, false},
      {"(1-2)*3", C::kDouble, {1, 1}, {-3.0}, {}, false},
      {"-2^2", C::kDouble, {1, 1}, {-4.0}, {}, false},
      {"2^-1", C::kDouble, {1, 1}, {0.5}, {}, false},
      {"1/0", C::kDouble, {1, 1}, {kInf}, {}, false},
      {"-Inf", C::kDouble, {1, 1}, {-kInf}, {}, false},
      {"NaN", C::kDouble, {1, 1}, {kNaN}, {}, false},
      {"eps", C::kDouble, {1, 1}, {0x1p-52}, {}, false},
      {"[]", C::kDouble, {0, 0}, {}, {}, false},
      {"[1 2 3]", C::kDouble, {1, 3}, {1, 2, 3}, {}, false},
      {"[1, 2, 3]", C::kDouble, {1, 3}, {1, 2, 3}, {}, false},
      {"[1 -2]", C::kDouble, {1, 2}, {1, -2}, {}, false},
      {"[1 - 2]", C::kDouble, {1, 1}, {-1}, {}, false},
      {"[1 -2 + 3]", C::kDouble, {1, 2}, {1, 1}, {}, false},
      {"[1 .5]", C::kDouble, {1, 2}, {1, 0.5}, {}, false},
      {"[1; 2; 3]", C::kDouble, {3, 1}, {1, 2, 3}, {}, false},
      {"[1 2; 3 4]", C::kDouble, {2, 2}, {1, 3, 2, 4}, {}, false},
      {"[1 2; 3 4]'", C::kDouble, {2, 2}, {1, 2, 3, 4}, {}, false},
      {"[1 2 3]'", C::kDouble, {3, 1}, {1, 2, 3}, {}, false},
      {"[[1; 2] [3; 4]]", C::kDouble, {2, 2}, {1, 2, 3, 4}, {}, false},
      {"[[1 2]; [3 4]; 5 6]", C::kDouble, {3, 2}, {1, 3, 5, 2, 4, 6}, {}, false},
      {"[[], 1, []]", C::kDouble, {1, 1}, {1}, {}, false},
      {"[1, 2,]", C::kDouble, {1, 2}, {1, 2}, {}, false},
      {"[1;;2;]", C::kDouble, {2, 1}, {1, 2}, {}, false},
      {"[1 2] .* [3 4]", C::kDouble, {1, 2}, {3, 8}, {}, false},
      {"[2 4] / 2", C::kDouble, {1, 2}, {1, 2}, {}, false},
      {"[1 2] + 1", C::kDouble, {1, 2}, {2, 3}, {}, false},
      {"zeros(6,1)", C::kDouble, {6, 1}, {0, 0, 0, 0, 0, 0}, {}, false},
      {"zeros(2)", C::kDouble, {2, 2}, {0, 0, 0, 0}, {}, false},
      {"zeros([1 2])", C::kDouble, {1, 2}, {0, 0}, {}, false},
      {"zeros(0,3)", C::kDouble, {0, 3}, {}, {}, false},
      {"zeros(2,1,1)", C::kDouble, {2, 1}, {0, 0}, {}, false},
      {"zeros(1,1,2)", C::kDouble, {1, 1, 2}, {0, 0}, {}, false},
      {"zeros(-1,2)", C::kDouble, {0, 2}, {}, {}, false},
      {"ones(2,1)", C::kDouble, {2, 1}, {1, 1}, {}, false},
      {"eye(2,3)", C::kDouble, {2, 3}, {1, 0, 0, 1, 0, 0}, {}, false},
      {"NaN(1,2)", C::kDouble, {1, 2}, {kNaN, kNaN}, {}, false},
      {"zeros(2,1,'int8')", C::kInt8, {2, 1}, {0, 0}, {}, false},
      {"single(0.1)", C::kSingle, {1, 1}, {static_cast<double>(0.1f)}, {}, false},
      {"single(1e300)", C::kSingle, {1, 1}, {kInf}, {}, false},
      {"single([1 2])", C::kSingle, {1, 2}, {1, 2}, {}, false},
      {"int8([-200 -2.5 2.5 200 NaN])", C::kInt8, {1, 5}, {-128, -3, 3, 127, 0}, {}, false},
      {"uint8(-1)", C::kUInt8, {1, 1}, {0}, {}, false},
      {"int16(40000)", C::kInt16, {1, 1}, {32767}, {}, false},
      {"uint16(1.5)", C::kUInt16, {1, 1}, {2}, {}, false},
      {"int32(-1e10)", C::kInt32, {1, 1}, {-2147483648.0}, {}, false},
      {"uint32(1e10)", C::kUInt32, {1, 1}, {4294967295.0}, {}, false},
      {"int64(-Inf)", C::kInt64, {1, 1}, {-9223372036854775808.0}, {}, false},
      {"uint64(7)", C::kUInt64, {1, 1}, {7}, {}, false},
      {"[int8(1) 300]", C::kInt8, {1, 2}, {1, 127}, {}, false},
      {"[single(1) 2]", C::kSingle, {1, 2}, {1, 2}, {}, false},
      {"-int8(-128)", C::kInt8, {1, 1}, {127}, {}, false},
      {"logical([2 0 -1])", C::kLogical, {1, 3}, {1, 0, 1}, {}, false},
      {"true(1,2)", C::kLogical, {1, 2}, {1, 1}, {}, false},
      {"[true false]", C::kLogical, {1, 2}, {1, 0}, {}, false},
      {"[true 2]", C::kDouble, {1, 2}, {1, 2}, {}, false},
      {"true + true", C::kDouble, {1, 1}, {2}, {}, false},
      {"double('A')", C::kDouble, {1, 1}, {65}, {}, false},
      {"'abc'", C::kChar, {1, 3}, {97, 98, 99}, {}, false},
      {"'it''s'", C::kChar, {1, 4}, {105, 116, 39, 115}, {}, false},
      {"''", C::kChar, {0, 0}, {}, {}, false},
      {"'\xc3\xa9'", C::kChar, {1, 1}, {0xE9}, {}, false},
      {"['ab' 67]", C::kChar, {1, 3}, {97, 98, 67}, {}, false},
      {"['ab'; 'cd']", C::kChar, {2, 2}, {97, 99, 98, 100}, {}, false},
      {"[1 'a']", C::kChar, {1, 2}, {1, 97}, {}, false},
      {"2i", C::kDouble, {1, 1}, {0}, {2}, false},
      {"1+2i", C::kDouble, {1, 1}, {1}, {2}, false},
      {"(1+2i)'", C::kDouble, {1, 1}, {1}, {-2}, false},
      {"(1+2i).'", C::kDouble, {1, 1}, {1}, {2}, false},
      {"(1+2i)*(1-2i)", C::kDouble, {1, 1}, {5}, {}, false},
      {"complex(1, 0)", C::kDouble, {1, 1}, {1}, {0}, false},
      {"complex([1 2], 3)", C::kDouble, {1, 2}, {1, 2}, {3, 3}, false},
      {"complex(single(1), 2)", C::kSingle, {1, 1}, {1}, {2}, false},
      {"complex(int8(1), int8(2))", C::kInt8, {1, 1}, {1}, {2}, false},
      {"sparse([1 0; 0 2])", C::kDouble, {2, 2}, {1, 0, 0, 2}, {}, true},
      {"sparse(2, 1)", C::kDouble, {2, 1}, {0, 0}, {}, true},
      {"sparse(logical([1 0]))", C::kLogical, {1, 2}, {1, 0}, {}, true},
      {"[sparse(1) 2]", C::kDouble, {1, 2}, {1, 2}, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const Value v = parseOne(c.text);
    EXPECT_EQ(v.cls, c.cls);
    EXPECT_EQ(v.dims, c.dims);
    EXPECT_TRUE(sameBits(v.real, c.real));
    EXPECT_EQ(v.complex, !c.imag.empty());
    EXPECT_TRUE(sameBits(v.imag, c.imag));
    EXPECT_EQ(v.sparse, c.sparse);
  }
}

// Texts as long as a command line allows must fail cleanly, not overflow
// the stack.
TEST(CallParser, DeepNestingIsRefused) {
  const std::size_t n = 100000;
  const std::string cases[] = {
      "f(" + std::string(n, '(') + "1" + std::string(n, ')') + ")",
      "f(" + std::string(n, '[') + "1" + std::string(n, ']') + ")",
      "f(" + std::string(n, '-') + "1)",
      "f(2^" + std::string(n, '-') + "1)",
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text.substr(0, 8));
    try {
      parseCall(text);
      ADD_FAILURE() << "accepted";
    } catch (const ParseError& e) {
      EXPECT_STREQ(e.what(), "the call is nested too deeply");
    }
  }
  EXPECT_NO_THROW(parseCall("f(" + std::string(150, '(') + "1" + std::string(150, ')') + ")"));
}

TEST(CallParser, NegativeBaseToFractionalPowerIsComplex) {
  const Value v = parseOne("(-8)^(1/3)");
  ASSERT_TRUE(v.complex);
  EXPECT_NEAR(v.real[0], 1.0, 1e-15);
  EXPECT_NEAR(v.imag[0], std::sqrt(3.0), 1e-15);
}

TEST(CallParser, ContainersKeepTheirElements) {
  {
    SCOPED_TRACE("cell of a matrix, a text and a cell");
    const Value v = parseOne("{[1 2], 'a'; {}, 3}");
    ASSERT_EQ(v.cls, ValueClass::kCell);
    EXPECT_EQ(v.dims, (std::vector<std::uint64_t>{2, 2}));
    ASSERT_EQ(v.elements.size(), 4u);
    EXPECT_EQ(v.elements[0].dims, (std::vector<std::uint64_t>{1, 2}));  // {1,1}: [1 2]
    EXPECT_EQ(v.elements[1].cls, ValueClass::kCell);                    // {2,1}: {}
    EXPECT_EQ(v.elements[2].cls, ValueClass::kChar);                    // {1,2}: 'a'
    EXPECT_TRUE(sameBits(v.elements[3].real, {3}));                     // {2,2}: 3
  }
  {
    SCOPED_TRACE("empty cell and cell(2)");
    EXPECT_EQ(parseOne("{}").cls, ValueClass::kCell);
    EXPECT_EQ(parseOne("{}").dims, (std::vector<std::uint64_t>{0, 0}));
    EXPECT_EQ(parseOne("{[]}").dims, (std::vector<std::uint64_t>{1, 1}));
    const Value c = parseOne("cell(2)");
    EXPECT_EQ(c.dims, (std::vector<std::uint64_t>{2, 2}));
    EXPECT_EQ(c.elements.size(), 4u);
  }
  {
    SCOPED_TRACE("cells concatenate, other values join as cells");
    const Value v = parseOne("[{1}, {2, 3}, 4]");
    EXPECT_EQ(v.cls, ValueClass::kCell);
    EXPECT_EQ(v.dims, (std::vector<std::uint64_t>{1, 4}));
  }
  {
    SCOPED_TRACE("struct()");
    const Value s = parseOne("struct()");
    EXPECT_EQ(s.cls, ValueClass::kStruct);
    EXPECT_EQ(s.dims, (std::vector<std::uint64_t>{1, 1}));
    EXPECT_TRUE(s.fields.empty());
  }
  {
    SCOPED_TRACE("struct with a cell value makes a struct array");
    const Value s = parseOne("struct('a', {1, 2}, 'b', 'x')");
    EXPECT_EQ(s.dims, (std::vector<std::uint64_t>{1, 2}));
    EXPECT_EQ(s.fields, (std::vector<std::string>{"a", "b"}));
    ASSERT_EQ(s.elements.size(), 4u);
    EXPECT_TRUE(sameBits(s.elements[2].real, {2}));  // element 2, field a
    EXPECT_EQ(s.elements[3].cls, ValueClass::kChar);  // element 2, field b
  }
  {
    SCOPED_TRACE("structs concatenate in the first one's field order");
    const Value s = parseOne("[struct('a', 1, 'b', 2), struct('b', 3, 'a', 4)]");
    EXPECT_EQ(s.dims, (std::vector<std::uint64_t>{1, 2}));
    ASSERT_EQ(s.elements.size(), 4u);
    EXPECT_TRUE(sameBits(s.elements[2].real, {4}));
    EXPECT_TRUE(sameBits(s.elements[3].real, {3}));
  }
  {
    SCOPED_TRACE("strings");
    const Value s = parseOne("[\"a\" 'bc' \"say \"\"hi\"\"\"]");
    EXPECT_EQ(s.cls, ValueClass::kString);
    EXPECT_EQ(s.strings, (std::vector<std::string>{"a", "bc", "say \"hi\""}));
  }
}

TEST(CallParser, CallShapes) {
  struct {
    const char* text;
    const char* function;
    std::size_t arguments;
  } cases[] = {
      {"armpose(zeros(6,1))", "armpose", 1},
      {"  armpose ( zeros(6,1) )  ", "armpose", 1},
      {"armpose()", "armpose", 0},
      {"armpose", "armpose", 0},
      {"armvelmap(1, 'x', {}, struct())", "armvelmap", 4},
      {"armpose([0.1; -0.4; 0.3; 0.2; 0.5; -0.6])", "armpose", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const Call call = parseCall(c.text);
    EXPECT_EQ(call.function, c.function);
    EXPECT_EQ(call.arguments.size(), c.arguments);
  }
}

TEST(CallParser, MalformedCallsNameTheColumn) {
  struct {
    const char* text;
    std::size_t column;
    const char* message;
  } cases[] = {
      {"", 1, "expected a function call such as armpose(...)"},
      {"(1)", 1, "expected a function call such as armpose(...)"},
      {"armpose(zeros(6,1)", 19, "expected ')'"},
      {"armpose(1 2)", 11, "expected ',' or ')'"},
      {"armpose(1);", 11, "unexpected text after the call"},
      {"armpose(1) x", 12, "unexpected text after the call"},
      {"armpose(", 9, "expected an expression before the end of the call"},
      {"armpose(,1)", 9, "expected an expression, found ','"},
      {"armpose([1 2)", 13, "expected ',', ';' or ']'"},
      {"armpose([1 2", 13, "expected ']'"},
      {"armpose({1", 11, "expected '}'"},
      {"armpose([1,,2])", 12, "expected an expression before ','"},
      {"armpose([1 2; 3])", 15, "dimensions of arrays being concatenated are not consistent"},
      {"armpose([[1;2] 3])", 16, "dimensions of arrays being concatenated are not consistent"},
      {"armpose('abc)", 9, "text is missing its closing '"},
      {"armpose(\"abc)", 9, "text is missing its closing \""},
      {"armpose(1e)", 9, "malformed number"},
      {"armpose(12abc)", 9, "malformed number"},
      {"armpose(1.2.3)", 9, "malformed number"},
      {"armpose(foo(1))", 9, "unknown function or constant 'foo'"},
      {"armpose(q)", 9, "unknown function or constant 'q'"},
      {"armpose(zeros(1.5))", 15, "sizes must be integers"},
      {"armpose(zeros(1e9))", 15, "size too large"},
      {"armpose(zeros(1e4,1e4))", 9, "too many elements for a call"},
      {"armpose(zeros(2,2,'cell'))", 19, "not a class that zeros can make"},
      {"armpose(single())", 9, "single needs exactly one argument"},
      {"armpose(logical(NaN))", 17, "NaN cannot be converted to logical"},
      {"armpose(logical(2i))", 17, "complex values cannot be converted to logical"},
      {"armpose(int8({1}))", 14, "cannot convert a cell value to int8"},
      {"armpose([1 2]*[3 4])", 14, "matrix products are not supported; one operand of '*' must be a scalar (or use .*)"},
      {"armpose(1/[1 2])", 10, "the divisor of '/' must be a scalar (or use ./)"},
      {"armpose([1 2]^2)", 14, "'^' needs scalar operands (or use .^)"},
      {"armpose([1 2]+[1 2 3])", 14, "operands of '+' must have the same size, or one must be a scalar"},
      {"armpose(single(1)+1)", 18,
       "operator '+' works on double values only, not single; convert the result instead, e.g. single(1/3)"},
      {"armpose(sparse(1)*2)", 18, "operator '*' on sparse values is not supported"},
      {"armpose(sparse(single(1)))", 16, "sparse needs a 2-D double or logical array"},
      {"armpose(zeros(1,1,2)')", 21, "transpose needs a 2-D array"},
      {"armpose(complex(1+2i))", 17, "complex needs real arguments"},
      {"armpose(complex('a'))", 17, "complex needs numeric arguments"},
      {"armpose(struct('a'))", 9, "struct needs name, value pairs"},
      {"armpose(struct(1, 2))", 16, "a field name must be a text such as 'x'"},
      {"armpose(struct('a', 1, 'a', 2))", 24, "duplicate field name 'a'"},
      {"armpose([struct() 1])", 19, "cannot concatenate a struct with a double value"},
      {"armpose([\"a\" 1])", 14, "cannot concatenate a string with a double value"},
      {"armpose(-{1})", 9, "unary minus needs a numeric value, not cell"},
      {"armpose('\xff')", 10, "text is not valid UTF-8"},
      {"armpose('\xc0\x80')", 10, "text is not valid UTF-8"},  // overlong
      {"armpose('\xed\xa0\x80')", 10, "text is not valid UTF-8"},  // a surrogate
      {"armpose(\xc3\xa9)", 9, "expected an expression, found '\xc3\xa9'"},
      {"armpose(\xc3)", 9, "expected an expression, found the byte 0xC3, which is not UTF-8"},
      {"armpose(cell(1000))", 9, "too many cells for a call"},
      {"armpose([zeros(1e7,1) zeros(1e7,1)])", 10, "too many elements for a call"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      parseCall(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const ParseError& e) {
      EXPECT_EQ(e.column(), c.column);
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

}  // namespace
}  // namespace mexrun
