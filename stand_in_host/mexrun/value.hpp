// value.hpp — the MATLAB values that a CALL string denotes, before any host
// array exists.
//
// A `Value` is a plain, self-contained description of one argument: its class,
// its dimensions, its elements in column-major order, and the sparse and
// complex flags. `mexrun` builds one host array from each value just before
// the call; nothing here knows the host.
//
// Invariants:
//   - `dims` has at least two entries; `numel()` is their product.
//   - numeric, logical and char values keep `numel()` entries in `real`
//     (char: UTF-16 code units), and as many in `imag` when `complex`;
//   - string values keep `numel()` UTF-8 texts in `strings`;
//   - cell values keep `numel()` values in `elements`;
//   - struct values keep `fields` and `numel() * fields.size()` values in
//     `elements`, element e's field f at index e * fields.size() + f;
//   - only double and logical values are ever `sparse`; integer, single and
//     logical entries already hold the value the class can represent
//     (rounded, saturated, 0 or 1).
//
// Example: `[1 2; 3 4]` is {kDouble, dims {2, 2}, real {1, 3, 2, 4}}.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mexrun {

enum class ValueClass {
  kDouble,
  kSingle,
  kInt8,
  kUInt8,
  kInt16,
  kUInt16,
  kInt32,
  kUInt32,
  kInt64,
  kUInt64,
  kLogical,
  kChar,
  kString,
  kCell,
  kStruct,
};

struct Value {
  ValueClass cls = ValueClass::kDouble;
  std::vector<std::uint64_t> dims{0, 0};
  bool complex = false;
  bool sparse = false;
  std::vector<double> real;
  std::vector<double> imag;
  std::vector<std::string> strings;
  std::vector<Value> elements;
  std::vector<std::string> fields;

  std::uint64_t numel() const {
    std::uint64_t n = 1;
    for (std::uint64_t d : dims) n *= d;
    return n;
  }
};

// The class name as MATLAB prints it: "double", "int8", "cell", ...
inline const char* className(ValueClass cls) {
  switch (cls) {
    case ValueClass::kDouble: return "double";
    case ValueClass::kSingle: return "single";
    case ValueClass::kInt8: return "int8";
    case ValueClass::kUInt8: return "uint8";
    case ValueClass::kInt16: return "int16";
    case ValueClass::kUInt16: return "uint16";
    case ValueClass::kInt32: return "int32";
    case ValueClass::kUInt32: return "uint32";
    case ValueClass::kInt64: return "int64";
    case ValueClass::kUInt64: return "uint64";
    case ValueClass::kLogical: return "logical";
    case ValueClass::kChar: return "char";
    case ValueClass::kString: return "string";
    case ValueClass::kCell: return "cell";
    case ValueClass::kStruct: return "struct";
  }
  return "unknown";
}

inline bool isInteger(ValueClass cls) {
  return cls >= ValueClass::kInt8 && cls <= ValueClass::kUInt64;
}

// Numeric, logical and char values: those whose elements live in `real`.
inline bool isNumericLike(ValueClass cls) {
  return cls <= ValueClass::kChar;
}

}  // namespace mexrun
