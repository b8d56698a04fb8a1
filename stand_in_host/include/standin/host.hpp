// host.hpp — the stand-in host's own side of libMatlabDataArray and libmex.
//
// A MEX file sees the host only through host_abi.hpp: get_function_ptr,
// mexGetFunctionImpl and mexDestroyFunctionImpl. This header is what the
// host itself (the loader, mexrun, the tests) uses beside that contract:
//
//  - Value: a plain description of an array (class code, dimensions,
//    column-major elements, cell elements, struct fields), to create input
//    arrays and to read what a MEX file handed back;
//  - host-owned handles: create, read, share (a MATLAB-style shared copy:
//    a new handle on the same data, copied on write) and destroy;
//  - counters of every array, factory, reference and function handle created
//    and destroyed and of every data operation called, for all threads
//    together and for the calling thread alone;
//  - fault injection: a status from any status-returning operation at its
//    n-th call (a null array from operation 49), a forced answer from
//    operation 55, an operation missing from get_function_ptr, a throwing
//    mexGetFunctionImpl or mexDestroyFunctionImpl;
//  - a record of every call on one thread, with arguments and answers
//    (standin/trace.hpp).
//
// Every raw handle (ArrayImpl*) is a separate host handle; handles made by
// sharing (sharedCopy, or the host keeping an output) share one data buffer
// until one of them is unshared by operation 55. Dimensions are stored with at
// least two entries and without trailing singleton dimensions beyond the
// second, as MATLAB does (6x1x1 is 6x1).
//
// Statuses of the data operations (0 is success):
//   1  "Array index is invalid."      an index beyond its dimension (at 56 for
//                                     the first index, at 16 for the others)
//   21 "Can't index into an empty array."  56 on an array with no elements
//   6  "Too many indices provided."   16 given more indices than dimensions
//   5  "Not enough indices provided." 93/95 with fewer indices than dimensions
//   8  "Data type mismatch."          95 with a type code other than the class
//   22 "The specified feature is not supported."  1 with a class not
//                                     modelled; 93/95 on cell, struct, sparse
//   19 "Not enough memory ..."        1 asked for more than memory allows
//   20 (system error)                 a null or unusable pointer argument
// So [1][0] of a 1x6 row or a scalar fails at 56 with 1, [0][0] of an empty
// array at 56 with 21; two indices on a 2x3x4 array fail at 93 with 5.
// Operation 59 answers yes exactly when the two codes are equal.
//
// Example:
//   standin::HostArray q = standin::HostArray::make(standin::doubles({6, 1}, {0, 1, 2, 3, 4, 5}));
//   standin::Value v = q.read();   // v.type == kDouble, v.dims == {6, 1}
#pragma once

#include <matlab/host_abi.hpp>

#include <array>
#include <complex>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#if defined(MATLAB_HOST_BUILDING_DATA_LIBRARY)
#define STANDIN_HOST_API MATLAB_HOST_EXPORT
#else
#define STANDIN_HOST_API MATLAB_HOST_IMPORT
#endif

namespace standin {

using matlab::abi::ArrayImpl;

// ---------------------------------------------------------------------------
// Array contents
// ---------------------------------------------------------------------------

// What an array holds. Elements are column-major. `bytes` holds the elements
// of numeric, logical (one byte each, 0 or 1), char (UTF-16 code units) and
// sparse arrays (stored dense; sparse double elements are doubles); complex
// elements are (real, imaginary) pairs. `elements` holds the cells of a cell
// array, or the field values of a struct array, element by element:
// element e, field f is elements[e * fields.size() + f].
struct Value {
  std::int32_t type = matlab::abi::kDouble;
  std::vector<std::uint64_t> dims{0, 0};
  std::vector<unsigned char> bytes;
  std::vector<Value> elements;
  std::vector<std::string> fields;

  // Number of elements: the product of the dimensions.
  std::uint64_t numel() const {
    std::uint64_t n = 1;
    for (std::uint64_t d : dims) n *= d;
    return n;
  }
  // The elements as T, for a class whose elements are stored as T.
  template <typename T>
  std::vector<T> as() const {
    std::vector<T> out(bytes.size() / sizeof(T));
    if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * sizeof(T));
    return out;
  }
  std::vector<double> doubles() const { return as<double>(); }
  std::u16string text() const {
    std::vector<char16_t> units = as<char16_t>();
    return std::u16string(units.begin(), units.end());
  }
};

// Bytes of one element of class `type`: 8 for double, 16 for complex double,
// 2 for char, 1 for logical, ...; 0 for cell, struct and the classes the
// stand-in host does not model.
STANDIN_HOST_API std::size_t elementBytes(std::int32_t type);

// Builders for the usual classes. Each checks nothing; createArray does.
template <typename T>
Value numeric(std::int32_t type, std::vector<std::uint64_t> dims, const std::vector<T>& values) {
  Value v;
  v.type = type;
  v.dims = std::move(dims);
  const auto* first = reinterpret_cast<const unsigned char*>(values.data());
  v.bytes.assign(first, first + values.size() * sizeof(T));
  return v;
}
inline Value doubles(std::vector<std::uint64_t> dims, const std::vector<double>& values) {
  return numeric(matlab::abi::kDouble, std::move(dims), values);
}
inline Value complexDoubles(std::vector<std::uint64_t> dims,
                            const std::vector<std::complex<double>>& values) {
  return numeric(matlab::abi::kComplexDouble, std::move(dims), values);
}
// A sparse double matrix, given by its dense column-major elements.
inline Value sparseDoubles(std::vector<std::uint64_t> dims, const std::vector<double>& dense) {
  return numeric(matlab::abi::kSparseDouble, std::move(dims), dense);
}
inline Value logicals(std::vector<std::uint64_t> dims, const std::vector<std::uint8_t>& values) {
  return numeric(matlab::abi::kLogical, std::move(dims), values);
}
// A 1xN char row from ASCII text.
inline Value text(const std::string& ascii) {
  std::vector<char16_t> units(ascii.begin(), ascii.end());
  return numeric(matlab::abi::kChar, {1, units.size()}, units);
}
inline Value cell(std::vector<std::uint64_t> dims, std::vector<Value> cells) {
  Value v;
  v.type = matlab::abi::kCell;
  v.dims = std::move(dims);
  v.elements = std::move(cells);
  return v;
}
inline Value structure(std::vector<std::uint64_t> dims, std::vector<std::string> fields,
                       std::vector<Value> values) {
  Value v;
  v.type = matlab::abi::kStruct;
  v.dims = std::move(dims);
  v.fields = std::move(fields);
  v.elements = std::move(values);
  return v;
}

// ---------------------------------------------------------------------------
// Host-owned handles
// ---------------------------------------------------------------------------

// A new host handle holding `value`. Throws std::invalid_argument when the
// value is inconsistent (unknown class, wrong number of bytes or elements).
STANDIN_HOST_API ArrayImpl* createArray(const Value& value);
// The contents of a live handle. Throws std::invalid_argument for a handle
// that is not live.
STANDIN_HOST_API Value readArray(const ArrayImpl* array);
// A new handle sharing the data of a live handle (copy-on-write), as the host
// keeps an output handed to it; null for a handle that is not live.
STANDIN_HOST_API ArrayImpl* sharedCopy(const ArrayImpl* array);
// Whether `array` is a handle that the host made and nobody destroyed yet.
STANDIN_HOST_API bool isLive(const ArrayImpl* array);
// The identity of a live handle: distinct for every handle ever made, even
// when a freed handle's address is reused; 0 for a handle that is not live.
STANDIN_HOST_API std::uint64_t liveSerial(const ArrayImpl* array);
// Whether two live handles share one data buffer.
STANDIN_HOST_API bool sharesData(const ArrayImpl* a, const ArrayImpl* b);
// The host releasing a handle of its own. Returns false (and counts an
// invalid destroy) for a handle that is not live.
STANDIN_HOST_API bool destroyArray(ArrayImpl* array);

// Owns one host handle and destroys it when it goes.
class HostArray {
 public:
  HostArray() = default;
  explicit HostArray(ArrayImpl* array) : array_(array) {}
  static HostArray make(const Value& value) { return HostArray(createArray(value)); }
  HostArray(HostArray&& other) noexcept : array_(std::exchange(other.array_, nullptr)) {}
  HostArray& operator=(HostArray&& other) noexcept {
    if (this != &other) {
      reset();
      array_ = std::exchange(other.array_, nullptr);
    }
    return *this;
  }
  HostArray(const HostArray&) = delete;
  HostArray& operator=(const HostArray&) = delete;
  ~HostArray() { reset(); }

  ArrayImpl* get() const { return array_; }
  ArrayImpl* release() { return std::exchange(array_, nullptr); }
  explicit operator bool() const { return array_ != nullptr; }
  Value read() const { return readArray(array_); }
  void reset() {
    if (array_ != nullptr) destroyArray(std::exchange(array_, nullptr));
  }

 private:
  ArrayImpl* array_ = nullptr;
};

// ---------------------------------------------------------------------------
// Counters
// ---------------------------------------------------------------------------

// Operation indices are below this bound; calls[i] and lookups[i] count index i.
inline constexpr int kOperationSlots = 128;

struct Counts {
  std::int64_t arraysCreated = 0;      // by operations 1, 49, 55 and by the host itself
  std::int64_t arraysDestroyed = 0;    // by operation 50 and by the host itself
  std::int64_t factoriesCreated = 0;   // operation 14
  std::int64_t factoriesDestroyed = 0; // operation 15
  std::int64_t referencesCreated = 0;  // operation 56
  std::int64_t referencesDestroyed = 0;// operation 23
  std::int64_t functionsCreated = 0;   // mexGetFunctionImpl handing out a handle
  std::int64_t functionsDestroyed = 0; // mexDestroyFunctionImpl accepting a handle
  // Destroys of something that is not a live object of that kind (a second
  // destroy, a foreign or null pointer), by any of 15, 23, 50,
  // mexDestroyFunctionImpl or the host's own destroyArray.
  std::int64_t invalidDestroys = 0;
  std::int64_t injectedFaults = 0;     // calls answered by an injected fault
  std::array<std::int64_t, kOperationSlots> calls{};   // data operations called, per index
  std::array<std::int64_t, kOperationSlots> lookups{}; // get_function_ptr asked, per index

  // Data operations called, all indices together.
  std::int64_t operations() const {
    std::int64_t n = 0;
    for (std::int64_t c : calls) n += c;
    return n;
  }
};

// Field-by-field difference, for "what happened between two snapshots".
STANDIN_HOST_API Counts operator-(const Counts& later, const Counts& earlier);

// Totals over all threads since the last reset().
STANDIN_HOST_API Counts counts();
// Totals of the calling thread since it started; never reset (take differences).
STANDIN_HOST_API Counts threadCounts();

// Objects alive now, whoever made them (not affected by reset()).
struct Live {
  std::int64_t arrays = 0;
  std::int64_t factories = 0;
  std::int64_t references = 0;
  std::int64_t functions = 0;
};
STANDIN_HOST_API Live live();

// ---------------------------------------------------------------------------
// Fault injection
// ---------------------------------------------------------------------------

// Calls `nthCall` .. `nthCall + times - 1` of operation `op` (counted from 1
// at the last reset(), over all threads) return `status` and do nothing else
// (no object is created, nothing is changed). For the status-returning
// operations 1, 14, 16, 53, 56, 59, 93, 95, and for 49, which has no status:
// its faulty calls answer null, whatever `status` says. Several rules may be set.
STANDIN_HOST_API void failOperation(std::int32_t op, std::uint64_t nthCall, std::int32_t status,
                                    std::uint64_t times = 1);

// How operation 55 answers: by the model (a private copy when the caller's
// handle is not unique or its data is shared), always with a new private
// copy, or never (false, nothing copied, even when the data is shared).
enum class UnshareMode : std::int32_t { natural, alwaysCopy, neverCopy };
STANDIN_HOST_API void forceUnshare(UnshareMode mode);

// Makes get_function_ptr return null for `op` (or restores it).
STANDIN_HOST_API void setMissing(std::int32_t op, bool missing = true);

// Calls `nthCall` .. `nthCall + times - 1` of mexGetFunctionImpl (counted
// from 1 at the last reset()) throw std::runtime_error(kGetFunctionImplFailure).
inline constexpr const char* kGetFunctionImplFailure = "The MEX function handle could not be created.";
STANDIN_HOST_API void failGetFunctionImpl(std::uint64_t nthCall, std::uint64_t times = 1);

// Calls `nthCall` .. `nthCall + times - 1` of mexDestroyFunctionImpl (counted
// from 1 at the last reset()) take the handle back as usual and then throw
// std::runtime_error(kDestroyFunctionImplFailure).
inline constexpr const char* kDestroyFunctionImplFailure = "The MEX function handle could not be released.";
STANDIN_HOST_API void failDestroyFunctionImpl(std::uint64_t nthCall, std::uint64_t times = 1);

// Clears every fault setting, restarts the call numbering of failOperation,
// failGetFunctionImpl and failDestroyFunctionImpl and sets the all-thread counters to zero. Live
// objects and per-thread counters are left as they are.
STANDIN_HOST_API void reset();

}  // namespace standin
