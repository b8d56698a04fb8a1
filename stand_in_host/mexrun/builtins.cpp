// builtins.cpp — the filling functions by table, the others one by one.
#include "builtins.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "concatenation.hpp"
#include "parse_error.hpp"
#include "value_conversion.hpp"

namespace mexrun {
namespace {

// Each cell holds a whole value: a far smaller count than kMaxElements
// (cell(1e4)) already exhausts memory.
constexpr std::uint64_t kMaxCells = 100'000;

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

// A MATLAB name: a letter, then letters, digits and underscores, at most 63.
bool isIdentifier(const std::string& name) {
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  auto nameChar = [&](char c) { return letter(c) || (c >= '0' && c <= '9') || c == '_'; };
  if (name.empty() || !letter(name[0]) || name.size() > 63) return false;
  return std::all_of(name.begin(), name.end(), nameChar);
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

}  // namespace

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

}  // namespace mexrun
