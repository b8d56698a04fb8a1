// call_parser.cpp — a small recursive-descent reader for MATLAB call syntax
// that evaluates what it reads into `Value`s as it goes.
//
// Precedence, lowest first: binary + -; * / .* ./; unary + -; ^ .^; postfix
// ' .'; primaries. Inside [ ] and { } a blank ends an element unless it is
// followed by a binary operator, with MATLAB's rule for signs: "1 -2" is two
// elements, "1 - 2" and "1-2" are one; a quote after a blank starts a text.
#include "call_parser.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>

namespace mexrun {
namespace {

using Complex = std::complex<double>;

// Keep a mistyped size (zeros(1e6), cell(1e4)) from exhausting memory.
constexpr std::uint64_t kMaxElements = 10'000'000;
constexpr std::uint64_t kMaxCells = 100'000;
// Keeps a pathological CALL ("((((...", "----...1") from exhausting the stack.
constexpr int kMaxNesting = 200;

[[noreturn]] void fail(std::size_t pos, const std::string& message) {
  throw ParseError(pos + 1, message);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isIdentChar(char c) { return isIdentStart(c) || isDigit(c) || c == '_'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// ---------------------------------------------------------------- values

Value makeNumeric(ValueClass cls, std::vector<std::uint64_t> dims, std::vector<double> real) {
  Value v;
  v.cls = cls;
  v.dims = std::move(dims);
  v.real = std::move(real);
  return v;
}

Value scalar(double x) { return makeNumeric(ValueClass::kDouble, {1, 1}, {x}); }

bool isEmpty0x0(const Value& v) {
  return v.dims.size() == 2 && v.dims[0] == 0 && v.dims[1] == 0;
}

Value emptyOf(ValueClass cls) {
  Value v;
  v.cls = cls;
  return v;
}

// Drops trailing singleton dimensions beyond the second, as MATLAB does.
void trimDims(std::vector<std::uint64_t>& dims) {
  while (dims.size() > 2 && dims.back() == 1) dims.pop_back();
}

struct IntRange {
  double lo;
  double hi;
};

IntRange intRange(ValueClass cls) {
  switch (cls) {
    case ValueClass::kInt8: return {-128.0, 127.0};
    case ValueClass::kUInt8: return {0.0, 255.0};
    case ValueClass::kInt16: return {-32768.0, 32767.0};
    case ValueClass::kUInt16: return {0.0, 65535.0};
    case ValueClass::kInt32: return {-2147483648.0, 2147483647.0};
    case ValueClass::kUInt32: return {0.0, 4294967295.0};
    case ValueClass::kInt64: return {-9223372036854775808.0, 9223372036854775807.0};
    case ValueClass::kUInt64: return {0.0, 18446744073709551615.0};
    default: return {0.0, 0.0};
  }
}

// Rounds a double to the nearest float without the undefined conversion of
// out-of-range values: beyond the largest float by half an ulp or more it is
// infinite, as IEEE-754 rounding gives.
double toSingle(double x) {
  constexpr double kMax = std::numeric_limits<float>::max();
  constexpr double kHalfUlp = 0x1p103;
  if (std::isfinite(x) && std::fabs(x) > kMax) {
    double magnitude = std::fabs(x) >= kMax + kHalfUlp ? std::numeric_limits<double>::infinity() : kMax;
    return std::copysign(magnitude, x);
  }
  return static_cast<double>(static_cast<float>(x));
}

// One element converted to `cls`: rounded half away from zero and saturated
// for the integer classes (NaN becomes 0), 0 or 1 for logical.
double toClassElement(double x, ValueClass cls) {
  if (cls == ValueClass::kSingle) return toSingle(x);
  if (cls == ValueClass::kLogical) return x != 0.0 ? 1.0 : 0.0;
  if (cls == ValueClass::kChar) {
    if (std::isnan(x)) return 0.0;
    return std::clamp(std::round(x), 0.0, 65535.0);
  }
  if (isInteger(cls)) {
    if (std::isnan(x)) return 0.0;
    IntRange range = intRange(cls);
    return std::clamp(std::round(x), range.lo, range.hi);
  }
  return x;
}

Value convert(const Value& v, ValueClass cls, std::size_t pos) {
  if (!isNumericLike(v.cls)) {
    fail(pos, std::string("cannot convert a ") + className(v.cls) + " value to " + className(cls));
  }
  if (v.sparse && cls != ValueClass::kDouble && cls != ValueClass::kLogical) {
    fail(pos, std::string("sparse values are double or logical, not ") + className(cls));
  }
  if (cls == ValueClass::kLogical) {
    if (v.complex) fail(pos, "complex values cannot be converted to logical");
    for (double x : v.real) {
      if (std::isnan(x)) fail(pos, "NaN cannot be converted to logical");
    }
  }
  Value out = v;
  out.cls = cls;
  for (double& x : out.real) x = toClassElement(x, cls);
  for (double& x : out.imag) x = toClassElement(x, cls);
  return out;
}

// ---------------------------------------------------------- rearranging

// Where each element of a rearranged array comes from.
struct Source {
  std::size_t item;
  std::uint64_t index;
};

// Builds a value of the given shape whose element k is element
// `sources[k].index` of `items[sources[k].item]`. All items already share
// `cls` (and, for structs, the field order of `fields`).
Value assemble(const std::vector<Value>& items, const std::vector<Source>& sources,
               std::vector<std::uint64_t> dims, ValueClass cls,
               const std::vector<std::string>& fields) {
  Value out;
  out.cls = cls;
  out.dims = std::move(dims);
  out.fields = fields;
  for (const Value& item : items) {
    out.complex = out.complex || item.complex;
    out.sparse = out.sparse || item.sparse;
  }
  const std::size_t nf = fields.size();
  for (const Source& s : sources) {
    const Value& item = items[s.item];
    if (isNumericLike(cls)) {
      out.real.push_back(item.real[s.index]);
      if (out.complex) out.imag.push_back(item.complex ? item.imag[s.index] : 0.0);
    } else if (cls == ValueClass::kString) {
      out.strings.push_back(item.strings[s.index]);
    } else if (cls == ValueClass::kCell) {
      out.elements.push_back(item.elements[s.index]);
    } else {
      for (std::size_t f = 0; f < nf; ++f) out.elements.push_back(item.elements[s.index * nf + f]);
    }
  }
  return out;
}

Value transpose(const Value& v, bool conjugate, std::size_t pos) {
  if (v.dims.size() != 2) fail(pos, "transpose needs a 2-D array");
  const std::uint64_t rows = v.dims[0];
  const std::uint64_t cols = v.dims[1];
  std::vector<Source> sources;
  sources.reserve(rows * cols);
  for (std::uint64_t r = 0; r < rows; ++r) {
    for (std::uint64_t c = 0; c < cols; ++c) sources.push_back({0, r + c * rows});
  }
  Value out = assemble({v}, sources, {cols, rows}, v.cls, v.fields);
  if (conjugate) {
    for (double& x : out.imag) x = -x;
  }
  return out;
}

Value wrapInCell(Value v) {
  Value cell;
  cell.cls = ValueClass::kCell;
  cell.dims = {1, 1};
  cell.elements.push_back(std::move(v));
  return cell;
}

// The class of [a b ...] for numeric, logical and char items: the leftmost
// integer class, else char, else single, else logical when all are, else
// double.
ValueClass numericConcatClass(const std::vector<Value>& items) {
  for (const Value& v : items) {
    if (isInteger(v.cls)) return v.cls;
  }
  bool anyChar = false;
  bool anySingle = false;
  bool allLogical = true;
  for (const Value& v : items) {
    anyChar = anyChar || v.cls == ValueClass::kChar;
    anySingle = anySingle || v.cls == ValueClass::kSingle;
    allLogical = allLogical && v.cls == ValueClass::kLogical;
  }
  if (anyChar) return ValueClass::kChar;
  if (anySingle) return ValueClass::kSingle;
  if (allLogical) return ValueClass::kLogical;
  return ValueClass::kDouble;
}

// Brings every item to one class; returns that class. Struct items are
// reordered to the first one's field order.
ValueClass unifyForConcat(std::vector<Value>& items, const std::vector<std::size_t>& positions) {
  auto any = [&](ValueClass cls) {
    return std::any_of(items.begin(), items.end(), [cls](const Value& v) { return v.cls == cls; });
  };
  if (any(ValueClass::kCell)) {
    for (Value& v : items) {
      if (v.cls != ValueClass::kCell) v = wrapInCell(std::move(v));
    }
    return ValueClass::kCell;
  }
  if (any(ValueClass::kStruct)) {
    const std::vector<std::string>& first = std::find_if(items.begin(), items.end(), [](const Value& v) {
                                              return v.cls == ValueClass::kStruct;
                                            })->fields;
    const std::vector<std::string> order = first;
    for (std::size_t i = 0; i < items.size(); ++i) {
      Value& v = items[i];
      if (v.cls != ValueClass::kStruct) {
        fail(positions[i], std::string("cannot concatenate a struct with a ") + className(v.cls) + " value");
      }
      std::vector<std::string> a = v.fields;
      std::vector<std::string> b = order;
      std::sort(a.begin(), a.end());
      std::sort(b.begin(), b.end());
      if (a != b) fail(positions[i], "structs being concatenated have different fields");
      if (v.fields == order) continue;
      std::vector<Value> reordered;
      const std::size_t nf = order.size();
      for (std::uint64_t e = 0; e < v.numel(); ++e) {
        for (const std::string& name : order) {
          std::size_t f = static_cast<std::size_t>(
              std::find(v.fields.begin(), v.fields.end(), name) - v.fields.begin());
          reordered.push_back(v.elements[e * nf + f]);
        }
      }
      v.elements = std::move(reordered);
      v.fields = order;
    }
    return ValueClass::kStruct;
  }
  if (any(ValueClass::kString)) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      Value& v = items[i];
      if (v.cls == ValueClass::kString) continue;
      if (v.cls != ValueClass::kChar || v.dims.size() != 2 || v.dims[0] > 1) {
        fail(positions[i], std::string("cannot concatenate a string with a ") + className(v.cls) + " value");
      }
      std::string text;
      for (double unit : v.real) {
        // Char elements came from text; re-encode the UTF-16 units as UTF-8.
        auto u = static_cast<std::uint32_t>(unit);
        if (u < 0x80) {
          text += static_cast<char>(u);
        } else if (u < 0x800) {
          text += static_cast<char>(0xC0 | (u >> 6));
          text += static_cast<char>(0x80 | (u & 0x3F));
        } else {
          text += static_cast<char>(0xE0 | (u >> 12));
          text += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
          text += static_cast<char>(0x80 | (u & 0x3F));
        }
      }
      Value s;
      s.cls = ValueClass::kString;
      s.dims = {1, 1};
      s.strings.push_back(std::move(text));
      v = std::move(s);
    }
    return ValueClass::kString;
  }
  ValueClass cls = numericConcatClass(items);
  for (std::size_t i = 0; i < items.size(); ++i) items[i] = convert(items[i], cls, positions[i]);
  return cls;
}

// [a b ...] (horizontal) or [a; b; ...] (vertical) of 2-D values.
Value concatenate(std::vector<Value> items, const std::vector<std::size_t>& positions, bool horizontal) {
  if (items.size() == 1) return std::move(items.front());
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].dims.size() != 2) fail(positions[i], "only 2-D arrays can be concatenated");
  }
  const ValueClass cls = unifyForConcat(items, positions);
  std::vector<std::string> fields;
  if (cls == ValueClass::kStruct) fields = items.front().fields;

  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!isEmpty0x0(items[i])) kept.push_back(i);
  }
  if (kept.empty()) {
    Value out = assemble(items, {}, {0, 0}, cls, fields);
    return out;
  }
  const std::size_t along = horizontal ? 1 : 0;
  const std::size_t across = horizontal ? 0 : 1;
  const std::uint64_t extent = items[kept.front()].dims[across];
  std::uint64_t total = 0;
  for (std::size_t i : kept) {
    if (items[i].dims[across] != extent) {
      fail(positions[i], "dimensions of arrays being concatenated are not consistent");
    }
    total += items[i].dims[along];
  }
  if (extent != 0 && total > kMaxElements / extent) fail(positions.front(), "too many elements for a call");
  std::vector<Source> sources;
  std::vector<std::uint64_t> dims(2);
  dims[across] = extent;
  dims[along] = total;
  if (horizontal) {
    for (std::size_t i : kept) {
      for (std::uint64_t k = 0; k < items[i].numel(); ++k) sources.push_back({i, k});
    }
  } else {
    for (std::uint64_t c = 0; c < extent; ++c) {
      for (std::size_t i : kept) {
        const std::uint64_t rows = items[i].dims[0];
        for (std::uint64_t r = 0; r < rows; ++r) sources.push_back({i, r + c * rows});
      }
    }
  }
  return assemble(items, sources, dims, cls, fields);
}

// ------------------------------------------------------------ arithmetic

enum class Op { kAdd, kSub, kMul, kDiv, kPow, kElemMul, kElemDiv, kElemPow };

const char* opName(Op op) {
  switch (op) {
    case Op::kAdd: return "+";
    case Op::kSub: return "-";
    case Op::kMul: return "*";
    case Op::kDiv: return "/";
    case Op::kPow: return "^";
    case Op::kElemMul: return ".*";
    case Op::kElemDiv: return "./";
    case Op::kElemPow: return ".^";
  }
  return "?";
}

// Arithmetic is done on full double values; logical and char operands count
// as double, as in MATLAB.
Value arithmeticOperand(const Value& v, Op op, std::size_t pos) {
  if (v.sparse) fail(pos, std::string("operator '") + opName(op) + "' on sparse values is not supported");
  if (v.cls == ValueClass::kLogical || v.cls == ValueClass::kChar) return convert(v, ValueClass::kDouble, pos);
  if (v.cls != ValueClass::kDouble) {
    fail(pos, std::string("operator '") + opName(op) + "' works on double values only, not " + className(v.cls) +
                  "; convert the result instead, e.g. single(1/3)");
  }
  return v;
}

double realPow(double a, double b, bool& complexResult) {
  if (a < 0.0 && std::isfinite(b) && b != std::floor(b)) complexResult = true;
  return std::pow(a, b);
}

Complex applyComplex(Op op, Complex a, Complex b) {
  switch (op) {
    case Op::kAdd: return a + b;
    case Op::kSub: return a - b;
    case Op::kMul:
    case Op::kElemMul: return a * b;
    case Op::kDiv:
    case Op::kElemDiv: return a / b;
    case Op::kPow:
    case Op::kElemPow: return std::pow(a, b);
  }
  return {};
}

double applyReal(Op op, double a, double b, bool& complexResult) {
  switch (op) {
    case Op::kAdd: return a + b;
    case Op::kSub: return a - b;
    case Op::kMul:
    case Op::kElemMul: return a * b;
    case Op::kDiv:
    case Op::kElemDiv: return a / b;
    case Op::kPow:
    case Op::kElemPow: return realPow(a, b, complexResult);
  }
  return 0.0;
}

Value binary(const Value& lhsIn, const Value& rhsIn, Op op, std::size_t pos) {
  const Value lhs = arithmeticOperand(lhsIn, op, pos);
  const Value rhs = arithmeticOperand(rhsIn, op, pos);
  const bool lhsScalar = lhs.numel() == 1;
  const bool rhsScalar = rhs.numel() == 1;
  if (op == Op::kMul && !lhsScalar && !rhsScalar) {
    fail(pos, "matrix products are not supported; one operand of '*' must be a scalar (or use .*)");
  }
  if (op == Op::kDiv && !rhsScalar) fail(pos, "the divisor of '/' must be a scalar (or use ./)");
  if (op == Op::kPow && (!lhsScalar || !rhsScalar)) fail(pos, "'^' needs scalar operands (or use .^)");
  if (!lhsScalar && !rhsScalar && lhs.dims != rhs.dims) {
    fail(pos, std::string("operands of '") + opName(op) + "' must have the same size, or one must be a scalar");
  }
  const Value& shape = lhsScalar ? rhs : lhs;
  const std::uint64_t n = shape.numel();
  Value out = makeNumeric(ValueClass::kDouble, shape.dims, {});
  out.real.resize(n);
  bool complexResult = lhs.complex || rhs.complex;
  if (!complexResult) {
    for (std::uint64_t k = 0; k < n; ++k) {
      out.real[k] = applyReal(op, lhs.real[lhsScalar ? 0 : k], rhs.real[rhsScalar ? 0 : k], complexResult);
    }
  }
  if (complexResult) {
    out.imag.resize(n);
    auto at = [](const Value& v, std::uint64_t k) {
      return Complex(v.real[k], v.complex ? v.imag[k] : 0.0);
    };
    bool anyImag = false;
    for (std::uint64_t k = 0; k < n; ++k) {
      Complex z = applyComplex(op, at(lhs, lhsScalar ? 0 : k), at(rhs, rhsScalar ? 0 : k));
      out.real[k] = z.real();
      out.imag[k] = z.imag();
      anyImag = anyImag || z.imag() != 0.0;
    }
    // A result whose imaginary parts are all zero is real again, as in MATLAB.
    out.complex = anyImag;
    if (!anyImag) out.imag.clear();
  }
  return out;
}

Value negate(const Value& v, std::size_t pos) {
  if (!isNumericLike(v.cls)) fail(pos, std::string("unary minus needs a numeric value, not ") + className(v.cls));
  Value out = v;
  if (out.cls == ValueClass::kLogical || out.cls == ValueClass::kChar) out.cls = ValueClass::kDouble;
  for (double& x : out.real) x = toClassElement(-x, out.cls);
  for (double& x : out.imag) x = toClassElement(-x, out.cls);
  return out;
}

Value unaryPlus(const Value& v, std::size_t pos) {
  if (!isNumericLike(v.cls)) fail(pos, std::string("unary plus needs a numeric value, not ") + className(v.cls));
  if (v.cls == ValueClass::kLogical || v.cls == ValueClass::kChar) return convert(v, ValueClass::kDouble, pos);
  return v;
}

// ------------------------------------------------------------- builtins

struct Arg {
  Value value;
  std::size_t pos;
};

bool isCharRow(const Value& v) {
  return v.cls == ValueClass::kChar && v.dims.size() == 2 && v.dims[0] <= 1;
}

std::string asciiText(const Value& v) {
  std::string text;
  for (double unit : v.real) text += static_cast<char>(unit < 128 ? unit : '?');
  return text;
}

std::uint64_t sizeValue(double x, std::size_t pos) {
  if (std::isnan(x) || x != std::floor(x)) fail(pos, "sizes must be integers");
  if (x < 0) return 0;  // negative sizes count as 0, as in MATLAB
  if (x > static_cast<double>(kMaxElements)) fail(pos, "size too large");
  return static_cast<std::uint64_t>(x);
}

// zeros(n), zeros(r, c, ...), zeros([r c ...]); nothing gives 1x1.
std::vector<std::uint64_t> sizeArguments(const std::vector<Arg>& args, std::size_t namePos) {
  std::vector<std::uint64_t> dims;
  for (const Arg& a : args) {
    if (!isNumericLike(a.value.cls) || a.value.complex || a.value.cls == ValueClass::kChar) {
      fail(a.pos, "sizes must be real numbers");
    }
  }
  if (args.empty()) {
    dims = {1, 1};
  } else if (args.size() == 1) {
    const Value& v = args[0].value;
    if (v.numel() == 1) {
      std::uint64_t n = sizeValue(v.real[0], args[0].pos);
      dims = {n, n};
    } else if (v.dims.size() == 2 && v.dims[0] == 1 && v.numel() >= 2) {
      for (double x : v.real) dims.push_back(sizeValue(x, args[0].pos));
    } else {
      fail(args[0].pos, "a size vector must be a row of at least two integers");
    }
  } else {
    for (const Arg& a : args) {
      if (a.value.numel() != 1) fail(a.pos, "each size must be a scalar");
      dims.push_back(sizeValue(a.value.real[0], a.pos));
    }
  }
  trimDims(dims);
  std::uint64_t n = 1;
  for (std::uint64_t d : dims) {
    if (d != 0 && n > kMaxElements / d) fail(namePos, "too many elements for a call");
    n *= d;
  }
  if (n > kMaxElements) fail(namePos, "too many elements for a call");
  return dims;
}

struct ClassName {
  const char* name;
  ValueClass cls;
};

constexpr ClassName kClassNames[] = {
    {"double", ValueClass::kDouble}, {"single", ValueClass::kSingle}, {"int8", ValueClass::kInt8},
    {"uint8", ValueClass::kUInt8},   {"int16", ValueClass::kInt16},   {"uint16", ValueClass::kUInt16},
    {"int32", ValueClass::kInt32},   {"uint32", ValueClass::kUInt32}, {"int64", ValueClass::kInt64},
    {"uint64", ValueClass::kUInt64}, {"logical", ValueClass::kLogical},
};

const ClassName* findClass(const std::string& name) {
  for (const ClassName& c : kClassNames) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

// The functions that fill an array of given size with one value.
struct Filler {
  const char* name;
  double value;
  ValueClass cls;
  bool identity;  // eye: ones on the diagonal
};

const Filler kFillers[] = {
    {"zeros", 0.0, ValueClass::kDouble, false},
    {"ones", 1.0, ValueClass::kDouble, false},
    {"eye", 1.0, ValueClass::kDouble, true},
    {"pi", 3.141592653589793, ValueClass::kDouble, false},
    {"eps", 0x1p-52, ValueClass::kDouble, false},
    {"NaN", std::numeric_limits<double>::quiet_NaN(), ValueClass::kDouble, false},
    {"nan", std::numeric_limits<double>::quiet_NaN(), ValueClass::kDouble, false},
    {"Inf", std::numeric_limits<double>::infinity(), ValueClass::kDouble, false},
    {"inf", std::numeric_limits<double>::infinity(), ValueClass::kDouble, false},
    {"true", 1.0, ValueClass::kLogical, false},
    {"false", 0.0, ValueClass::kLogical, false},
};

Value fill(const Filler& f, std::vector<Arg> args, std::size_t namePos) {
  ValueClass cls = f.cls;
  if (!args.empty() && args.back().value.cls == ValueClass::kChar) {
    const Arg& last = args.back();
    const ClassName* named = isCharRow(last.value) ? findClass(asciiText(last.value)) : nullptr;
    const bool integerValued = f.value == 0.0 || f.value == 1.0;
    if (named == nullptr || f.cls == ValueClass::kLogical ||
        (!integerValued && named->cls != ValueClass::kDouble && named->cls != ValueClass::kSingle)) {
      fail(last.pos, std::string("not a class that ") + f.name + " can make");
    }
    cls = named->cls;
    args.pop_back();
  }
  std::vector<std::uint64_t> dims = sizeArguments(args, namePos);
  Value v = makeNumeric(cls, dims, {});
  const std::uint64_t n = v.numel();
  v.real.assign(n, toClassElement(f.identity ? 0.0 : f.value, cls));
  if (f.identity) {
    if (dims.size() != 2) fail(namePos, "eye makes 2-D arrays only");
    for (std::uint64_t k = 0; k < std::min(dims[0], dims[1]); ++k) v.real[k + k * dims[0]] = 1.0;
  }
  return v;
}

Value makeCell(const std::vector<Arg>& args, std::size_t namePos) {
  Value v;
  v.cls = ValueClass::kCell;
  v.dims = args.empty() ? std::vector<std::uint64_t>{0, 0} : sizeArguments(args, namePos);
  if (v.numel() > kMaxCells) fail(namePos, "too many cells for a call");
  v.elements.assign(v.numel(), Value{});
  return v;
}

Value makeComplex(const std::vector<Arg>& args, std::size_t namePos) {
  if (args.empty() || args.size() > 2) fail(namePos, "complex needs one or two arguments");
  for (const Arg& a : args) {
    const ValueClass c = a.value.cls;
    if (!isNumericLike(c) || c == ValueClass::kLogical || c == ValueClass::kChar) {
      fail(a.pos, "complex needs numeric arguments");
    }
    if (a.value.complex) fail(a.pos, "complex needs real arguments");
  }
  Value re = args[0].value;
  Value im = args.size() == 2 ? args[1].value : Value{};
  if (args.size() == 1) {
    im = re;
    for (double& x : im.real) x = 0.0;
  }
  if (isInteger(re.cls) && isInteger(im.cls) && re.cls != im.cls) {
    fail(args[1].pos, "the real and imaginary parts must have the same integer class");
  }
  const ValueClass cls = numericConcatClass({re, im});
  const bool sparse = re.sparse || im.sparse;
  if (sparse && cls != ValueClass::kDouble) fail(namePos, "sparse values are double or logical, not " + std::string(className(cls)));
  const bool reScalar = re.numel() == 1;
  const bool imScalar = im.numel() == 1;
  if (!reScalar && !imScalar && re.dims != im.dims) {
    fail(args[1].pos, "the real and imaginary parts must have the same size, or one must be a scalar");
  }
  const Value& shape = reScalar ? im : re;
  Value out = makeNumeric(cls, shape.dims, {});
  out.complex = true;
  out.sparse = sparse;
  for (std::uint64_t k = 0; k < shape.numel(); ++k) {
    out.real.push_back(toClassElement(re.real[reScalar ? 0 : k], cls));
    out.imag.push_back(toClassElement(im.real[imScalar ? 0 : k], cls));
  }
  return out;
}

Value makeSparse(const std::vector<Arg>& args, std::size_t namePos) {
  if (args.size() == 1) {
    const Value& v = args[0].value;
    if ((v.cls != ValueClass::kDouble && v.cls != ValueClass::kLogical) || v.dims.size() != 2) {
      fail(args[0].pos, "sparse needs a 2-D double or logical array");
    }
    Value out = v;
    out.sparse = true;
    return out;
  }
  if (args.size() == 2) {
    std::vector<std::uint64_t> dims = sizeArguments(args, namePos);
    Value out = makeNumeric(ValueClass::kDouble, dims, std::vector<double>(dims[0] * dims[1], 0.0));
    out.sparse = true;
    return out;
  }
  fail(namePos, "sparse takes an array, or a number of rows and columns");
}

bool isIdentifier(const std::string& name) {
  if (name.empty() || !isIdentStart(name[0]) || name.size() > 63) return false;
  return std::all_of(name.begin(), name.end(), isIdentChar);
}

// struct() and struct('name', value, ...): a cell value gives one element per
// cell entry (a 1x1 cell gives its content to every element).
Value makeStruct(const std::vector<Arg>& args, std::size_t namePos) {
  Value out;
  out.cls = ValueClass::kStruct;
  out.dims = {1, 1};
  if (args.size() % 2 != 0) fail(namePos, "struct needs name, value pairs");
  std::vector<std::uint64_t> dims = {1, 1};
  bool sized = false;
  for (std::size_t i = 0; i < args.size(); i += 2) {
    const Value& name = args[i].value;
    if (!isCharRow(name) || !isIdentifier(asciiText(name))) fail(args[i].pos, "a field name must be a text such as 'x'");
    std::string text = asciiText(name);
    if (std::find(out.fields.begin(), out.fields.end(), text) != out.fields.end()) {
      fail(args[i].pos, "duplicate field name '" + text + "'");
    }
    out.fields.push_back(text);
    const Value& value = args[i + 1].value;
    if (value.cls == ValueClass::kCell && value.numel() != 1) {
      if (sized && value.dims != dims) fail(args[i + 1].pos, "the cell values of struct must have the same size");
      dims = value.dims;
      sized = true;
    }
  }
  out.dims = dims;
  const std::uint64_t n = out.numel();
  for (std::uint64_t e = 0; e < n; ++e) {
    for (std::size_t i = 1; i < args.size(); i += 2) {
      const Value& value = args[i].value;
      if (value.cls != ValueClass::kCell) {
        out.elements.push_back(value);
      } else {
        out.elements.push_back(value.elements[value.numel() == 1 ? 0 : e]);
      }
    }
  }
  return out;
}

Value callFunction(const std::string& name, std::size_t namePos, const std::vector<Arg>& args) {
  for (const Filler& f : kFillers) {
    if (name == f.name) return fill(f, args, namePos);
  }
  if (const ClassName* c = findClass(name)) {
    if (args.size() != 1) fail(namePos, name + " needs exactly one argument");
    return convert(args[0].value, c->cls, args[0].pos);
  }
  if (name == "cell") return makeCell(args, namePos);
  if (name == "complex") return makeComplex(args, namePos);
  if (name == "sparse") return makeSparse(args, namePos);
  if (name == "struct") return makeStruct(args, namePos);
  fail(namePos, "unknown function or constant '" + name + "'");
}

// Appends the UTF-16 code units of the UTF-8 text [begin, end) to `units`.
void appendUtf16(std::string_view text, std::size_t offset, std::vector<double>& units) {
  std::size_t k = 0;
  while (k < text.size()) {
    auto byte = static_cast<unsigned char>(text[k]);
    std::uint32_t cp = 0;
    std::size_t len = 1;
    if (byte < 0x80) {
      cp = byte;
    } else if ((byte & 0xE0) == 0xC0) {
      cp = byte & 0x1F;
      len = 2;
    } else if ((byte & 0xF0) == 0xE0) {
      cp = byte & 0x0F;
      len = 3;
    } else if ((byte & 0xF8) == 0xF0) {
      cp = byte & 0x07;
      len = 4;
    } else {
      fail(offset + k, "text is not valid UTF-8");
    }
    if (k + len > text.size()) fail(offset + k, "text is not valid UTF-8");
    for (std::size_t b = 1; b < len; ++b) {
      auto cont = static_cast<unsigned char>(text[k + b]);
      if ((cont & 0xC0) != 0x80) fail(offset + k, "text is not valid UTF-8");
      cp = (cp << 6) | (cont & 0x3F);
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      units.push_back(static_cast<double>(0xD800 + (cp >> 10)));
      units.push_back(static_cast<double>(0xDC00 + (cp & 0x3FF)));
    } else {
      units.push_back(static_cast<double>(cp));
    }
    k += len;
  }
}

// ---------------------------------------------------------------- parser

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  Call call() {
    Call result;
    skipBlanks();
    if (!isIdentStart(peek())) fail(pos_, "expected a function call such as armpose(...)");
    result.function = identifier();
    skipBlanks();
    if (peek() == '(') {
      for (Arg& a : arguments()) result.arguments.push_back(std::move(a.value));
    }
    skipBlanks();
    if (pos_ != s_.size()) fail(pos_, "unexpected text after the call");
    return result;
  }

 private:
  char peek(std::size_t ahead = 0) const {
    return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0';
  }
  bool atEnd() const { return pos_ >= s_.size(); }
  bool inMatrix() const { return !context_.empty() && context_.back() != '('; }

  // Skips blanks (and, outside [ ] and { }, line breaks); true if any.
  bool skipBlanks() {
    const std::size_t start = pos_;
    while (!atEnd() && (isBlank(peek()) || (!inMatrix() && (peek() == '\n' || peek() == '\r')))) ++pos_;
    return pos_ != start;
  }

  std::string identifier() {
    const std::size_t start = pos_;
    while (isIdentChar(peek())) ++pos_;
    return std::string(s_.substr(start, pos_ - start));
  }

  // '(' [expr {',' expr}] ')', the opening parenthesis at pos_.
  std::vector<Arg> arguments() {
    ++pos_;
    context_.push_back('(');
    std::vector<Arg> args;
    skipBlanks();
    if (peek() == ')') {
      ++pos_;
      context_.pop_back();
      return args;
    }
    for (;;) {
      skipBlanks();
      const std::size_t start = pos_;
      Value v = expression();
      args.push_back({std::move(v), start});
      skipBlanks();
      if (peek() == ',') {
        ++pos_;
        continue;
      }
      if (peek() == ')') {
        ++pos_;
        break;
      }
      fail(pos_, atEnd() ? "expected ')'" : "expected ',' or ')'");
    }
    context_.pop_back();
    return args;
  }

  // Counts the nesting of expressions and signs while it lives.
  class Nested {
   public:
    explicit Nested(Parser& p) : p_(p) {
      if (++p_.depth_ > kMaxNesting) fail(p_.pos_, "the call is nested too deeply");
    }
    ~Nested() { --p_.depth_; }
    Nested(const Nested&) = delete;
    Nested& operator=(const Nested&) = delete;

   private:
    Parser& p_;
  };

  Value expression() {
    Nested nested(*this);
    Value lhs = product();
    for (;;) {
      const std::size_t save = pos_;
      const bool blank = skipBlanks();
      const char c = peek();
      if (c != '+' && c != '-') {
        pos_ = save;
        return lhs;
      }
      // "[1 -2]" is two elements: a sign after a blank and before a non-blank.
      if (inMatrix() && blank && !isBlank(peek(1))) {
        pos_ = save;
        return lhs;
      }
      const std::size_t opPos = pos_++;
      Value rhs = product();
      lhs = binary(lhs, rhs, c == '+' ? Op::kAdd : Op::kSub, opPos);
    }
  }

  Value product() {
    Value lhs = unary();
    for (;;) {
      const std::size_t save = pos_;
      skipBlanks();
      const std::size_t opPos = pos_;
      Op op;
      if (peek() == '*') {
        op = Op::kMul;
        pos_ += 1;
      } else if (peek() == '/') {
        op = Op::kDiv;
        pos_ += 1;
      } else if (peek() == '.' && peek(1) == '*') {
        op = Op::kElemMul;
        pos_ += 2;
      } else if (peek() == '.' && peek(1) == '/') {
        op = Op::kElemDiv;
        pos_ += 2;
      } else {
        pos_ = save;
        return lhs;
      }
      Value rhs = unary();
      lhs = binary(lhs, rhs, op, opPos);
    }
  }

  Value unary() {
    skipBlanks();
    const char c = peek();
    if (c == '-' || c == '+') {
      Nested nested(*this);
      const std::size_t opPos = pos_++;
      Value v = unary();
      return c == '-' ? negate(v, opPos) : unaryPlus(v, opPos);
    }
    return power();
  }

  Value power() {
    Value base = postfix();
    for (;;) {
      const std::size_t save = pos_;
      skipBlanks();
      const std::size_t opPos = pos_;
      Op op;
      if (peek() == '^') {
        op = Op::kPow;
        pos_ += 1;
      } else if (peek() == '.' && peek(1) == '^') {
        op = Op::kElemPow;
        pos_ += 2;
      } else {
        pos_ = save;
        return base;
      }
      Value exponent = powerOperand();
      base = binary(base, exponent, op, opPos);
    }
  }

  // The right operand of ^ may carry signs of its own: 2^-1.
  Value powerOperand() {
    skipBlanks();
    const char c = peek();
    if (c == '-' || c == '+') {
      Nested nested(*this);
      const std::size_t opPos = pos_++;
      Value v = powerOperand();
      return c == '-' ? negate(v, opPos) : unaryPlus(v, opPos);
    }
    return postfix();
  }

  Value postfix() {
    Value v = primary();
    for (;;) {
      const std::size_t save = pos_;
      const bool blank = skipBlanks();
      const std::size_t opPos = pos_;
      // Inside [ ] a quote after a blank starts a text: [a 'b'].
      if (peek() == '\'' && !(blank && inMatrix())) {
        ++pos_;
        v = transpose(v, true, opPos);
      } else if (peek() == '.' && peek(1) == '\'' && !(blank && inMatrix())) {
        pos_ += 2;
        v = transpose(v, false, opPos);
      } else {
        pos_ = save;
        return v;
      }
    }
  }

  Value primary() {
    skipBlanks();
    const std::size_t start = pos_;
    const char c = peek();
    if (isDigit(c) || (c == '.' && isDigit(peek(1)))) return number();
    if (c == '\'') return charText();
    if (c == '"') return stringText();
    if (c == '[' || c == '{') return matrix(c);
    if (c == '(') {
      ++pos_;
      context_.push_back('(');
      Value v = expression();
      skipBlanks();
      if (peek() != ')') fail(pos_, "expected ')'");
      ++pos_;
      context_.pop_back();
      return v;
    }
    if (isIdentStart(c)) {
      std::string name = identifier();
      std::vector<Arg> args;
      const std::size_t save = pos_;
      const bool blank = skipBlanks();
      if (peek() == '(' && !(blank && inMatrix())) {
        args = arguments();
      } else {
        pos_ = save;
      }
      return callFunction(name, start, args);
    }
    if (atEnd()) fail(pos_, "expected an expression before the end of the call");
    fail(pos_, std::string("expected an expression, found '") + c + "'");
  }

  Value number() {
    const std::size_t start = pos_;
    while (isDigit(peek())) ++pos_;
    // "1.'" and "1.*x": the dot belongs to the operator, not the number.
    if (peek() == '.' && peek(1) != '*' && peek(1) != '/' && peek(1) != '^' && peek(1) != '\'') {
      ++pos_;
      while (isDigit(peek())) ++pos_;
    }
    if ((peek() == 'e' || peek() == 'E') &&
        (isDigit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && isDigit(peek(2))))) {
      pos_ += 2;
      while (isDigit(peek())) ++pos_;
    }
    const std::string_view digits = s_.substr(start, pos_ - start);
    double x = 0.0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), x);
    if (ec == std::errc::result_out_of_range) {
      // Too large gives Inf, too small 0, as when MATLAB reads 1e999 or 1e-999.
      x = std::strtod(std::string(digits).c_str(), nullptr);
    } else if (ec != std::errc() || end != digits.data() + digits.size()) {
      fail(start, "malformed number");
    }
    bool imaginary = false;
    if ((peek() == 'i' || peek() == 'j') && !isIdentChar(peek(1))) {
      ++pos_;
      imaginary = true;
    }
    if (isIdentChar(peek()) || (peek() == '.' && isDigit(peek(1)))) fail(start, "malformed number");
    Value v = scalar(imaginary ? 0.0 : x);
    if (imaginary) {
      v.complex = true;
      v.imag = {x};
    }
    return v;
  }

  // Text between `quote`s, a doubled quote standing for one.
  std::string quoted(char quote) {
    const std::size_t start = pos_++;
    std::string text;
    for (;;) {
      if (atEnd()) fail(start, std::string("text is missing its closing ") + quote);
      if (peek() == quote) {
        if (peek(1) != quote) break;
        ++pos_;
      }
      text += s_[pos_++];
    }
    ++pos_;
    return text;
  }

  Value charText() {
    const std::size_t start = pos_;
    Value v = makeNumeric(ValueClass::kChar, {0, 0}, {});
    std::string text = quoted('\'');
    appendUtf16(text, start + 1, v.real);
    if (!v.real.empty()) v.dims = {1, v.real.size()};
    return v;
  }

  Value stringText() {
    Value v;
    v.cls = ValueClass::kString;
    v.dims = {1, 1};
    v.strings.push_back(quoted('"'));
    return v;
  }

  // [ ... ] or { ... }: rows separated by ';' or line breaks, elements by
  // ',' or blanks.
  Value matrix(char open) {
    const char close = open == '[' ? ']' : '}';
    const bool cell = open == '{';
    ++pos_;
    context_.push_back(open);
    std::vector<Value> rows;
    std::vector<std::size_t> rowPositions;
    std::vector<Value> row;
    std::vector<std::size_t> positions;
    auto endRow = [&]() {
      if (row.empty()) return;
      rowPositions.push_back(positions.front());
      rows.push_back(concatenate(std::move(row), positions, true));
      row.clear();
      positions.clear();
    };
    const std::string expected = std::string("expected ',', ';' or '") + close + "'";
    for (;;) {
      skipBlanks();
      const char c = peek();
      if (c == close) {
        ++pos_;
        endRow();
        break;
      }
      if (c == ';' || c == '\n' || c == '\r') {
        ++pos_;
        endRow();
        continue;
      }
      if (atEnd()) fail(pos_, std::string("expected '") + close + "'");
      const std::size_t start = pos_;
      Value v = expression();
      positions.push_back(start);
      row.push_back(cell ? wrapInCell(std::move(v)) : std::move(v));
      const bool blank = skipBlanks();
      const char next = peek();
      if (next == ',') {
        ++pos_;
        skipBlanks();
        if (peek() == ',') fail(pos_, "expected an expression before ','");
        continue;
      }
      if (next == ';' || next == '\n' || next == '\r' || next == close) continue;
      if (blank && startsElement(next)) continue;
      if (atEnd()) fail(pos_, std::string("expected '") + close + "'");
      fail(pos_, expected);
    }
    context_.pop_back();
    if (rows.empty()) return emptyOf(cell ? ValueClass::kCell : ValueClass::kDouble);
    return concatenate(std::move(rows), rowPositions, false);
  }

  static bool startsElement(char c) {
    return isDigit(c) || isIdentStart(c) || c == '.' || c == '\'' || c == '"' || c == '(' || c == '[' ||
           c == '{' || c == '+' || c == '-';
  }

  std::string_view s_;
  std::size_t pos_ = 0;
  std::vector<char> context_;  // the open '(', '[' and '{' around pos_
  int depth_ = 0;
};

}  // namespace

Call parseCall(std::string_view text) { return Parser(text).call(); }

}  // namespace mexrun
