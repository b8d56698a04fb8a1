// value_conversion.cpp — element conversion by class, with the ranges of the
// integer classes.
#include "value_conversion.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace mexrun {
namespace {

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

}  // namespace

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

void trimDims(std::vector<std::uint64_t>& dims) {
  while (dims.size() > 2 && dims.back() == 1) dims.pop_back();
}

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

}  // namespace mexrun
