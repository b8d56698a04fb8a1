// arithmetic.cpp — element by element, in double or, once any operand or
// result is complex, in std::complex<double>.
#include "arithmetic.hpp"

#include <cmath>
#include <complex>
#include <cstdint>
#include <string>

#include "parse_error.hpp"
#include "value_conversion.hpp"

namespace mexrun {
namespace {

using Complex = std::complex<double>;

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

}  // namespace

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

}  // namespace mexrun
