// host_value.cpp — the element bytes of each class, as the host stores them.
#include "host_value.hpp"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <type_traits>

namespace mexrun {
namespace {

namespace abi = matlab::abi;

std::int32_t typeCode(const Value& v) {
  if (v.sparse) {
    if (v.cls == ValueClass::kLogical) return abi::kSparseLogical;
    return v.complex ? abi::kSparseComplexDouble : abi::kSparseDouble;
  }
  switch (v.cls) {
    case ValueClass::kDouble: return v.complex ? abi::kComplexDouble : abi::kDouble;
    case ValueClass::kSingle: return v.complex ? abi::kComplexSingle : abi::kSingle;
    case ValueClass::kInt8: return v.complex ? abi::kComplexInt8 : abi::kInt8;
    case ValueClass::kUInt8: return v.complex ? abi::kComplexUInt8 : abi::kUInt8;
    case ValueClass::kInt16: return v.complex ? abi::kComplexInt16 : abi::kInt16;
    case ValueClass::kUInt16: return v.complex ? abi::kComplexUInt16 : abi::kUInt16;
    case ValueClass::kInt32: return v.complex ? abi::kComplexInt32 : abi::kInt32;
    case ValueClass::kUInt32: return v.complex ? abi::kComplexUInt32 : abi::kUInt32;
    case ValueClass::kInt64: return v.complex ? abi::kComplexInt64 : abi::kInt64;
    case ValueClass::kUInt64: return v.complex ? abi::kComplexUInt64 : abi::kUInt64;
    case ValueClass::kLogical: return abi::kLogical;
    case ValueClass::kChar: return abi::kChar;
    case ValueClass::kString: return abi::kMatlabString;
    case ValueClass::kCell: return abi::kCell;
    case ValueClass::kStruct: return abi::kStruct;
  }
  return abi::kUnknown;
}

// Entries already hold values of the class (parser invariant); only the ends
// of the 64-bit ranges need care, since 2^63 and 2^64 are doubles but not
// int64/uint64 values.
template <typename T>
T element(double x) {
  if constexpr (std::is_same_v<T, std::int64_t>) {
    if (x >= 9223372036854775808.0) return INT64_MAX;
    if (x < -9223372036854775808.0) return INT64_MIN;
  } else if constexpr (std::is_same_v<T, std::uint64_t>) {
    if (x >= 18446744073709551616.0) return UINT64_MAX;
    if (x < 0) return 0;
  }
  return static_cast<T>(x);
}

template <typename T>
void appendElements(const Value& v, std::vector<unsigned char>& bytes) {
  const std::uint64_t n = v.numel();
  bytes.reserve(n * sizeof(T) * (v.complex ? 2 : 1));
  auto put = [&bytes](T x) {
    unsigned char raw[sizeof(T)];
    std::memcpy(raw, &x, sizeof(T));
    bytes.insert(bytes.end(), raw, raw + sizeof(T));
  };
  for (std::uint64_t k = 0; k < n; ++k) {
    put(element<T>(v.real[k]));
    if (v.complex) put(element<T>(v.imag[k]));
  }
}

}  // namespace

standin::Value toHostValue(const Value& v) {
  standin::Value out;
  out.type = typeCode(v);
  out.dims = v.dims;
  switch (v.cls) {
    case ValueClass::kDouble: appendElements<double>(v, out.bytes); break;
    case ValueClass::kSingle: appendElements<float>(v, out.bytes); break;
    case ValueClass::kInt8: appendElements<std::int8_t>(v, out.bytes); break;
    case ValueClass::kUInt8: appendElements<std::uint8_t>(v, out.bytes); break;
    case ValueClass::kInt16: appendElements<std::int16_t>(v, out.bytes); break;
    case ValueClass::kUInt16: appendElements<std::uint16_t>(v, out.bytes); break;
    case ValueClass::kInt32: appendElements<std::int32_t>(v, out.bytes); break;
    case ValueClass::kUInt32: appendElements<std::uint32_t>(v, out.bytes); break;
    case ValueClass::kInt64: appendElements<std::int64_t>(v, out.bytes); break;
    case ValueClass::kUInt64: appendElements<std::uint64_t>(v, out.bytes); break;
    case ValueClass::kLogical: appendElements<std::uint8_t>(v, out.bytes); break;
    case ValueClass::kChar: appendElements<std::uint16_t>(v, out.bytes); break;
    case ValueClass::kString:
      throw std::invalid_argument("string arrays (\"text\") are not available in the stand-in host; use 'text'");
    case ValueClass::kCell:
      for (const Value& e : v.elements) out.elements.push_back(toHostValue(e));
      break;
    case ValueClass::kStruct:
      out.fields = v.fields;
      for (const Value& e : v.elements) out.elements.push_back(toHostValue(e));
      break;
  }
  return out;
}

}  // namespace mexrun
