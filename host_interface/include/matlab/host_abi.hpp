// host_abi.hpp — the binary contract between a MEX file and the host.
//
// Everything that crosses the boundary between a deliverable and the host's
// libraries is declared here, and nothing else: opaque handles, the numbered
// data operations reached through `get_function_ptr`, their signatures, the
// class (type) codes, the libmex functions and the two host callbacks.
//
// Both sides include this header: the host interface layer (what a MEX file
// is compiled against) and the stand-in host (what it is run against). Only
// fixed-width and pointer types are used, so the contract is the same for
// the Linux and the 64-bit Windows builds.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define MATLAB_HOST_EXPORT __declspec(dllexport)
#define MATLAB_HOST_IMPORT __declspec(dllimport)
#else
#define MATLAB_HOST_EXPORT __attribute__((visibility("default")))
#define MATLAB_HOST_IMPORT
#endif

namespace matlab::data::impl {
// Opaque host objects. A raw handle is a pointer to one of these; only the
// host knows what is behind it.
struct ArrayImpl;
struct ArrayFactoryImpl;
struct ReferenceImpl;
}  // namespace matlab::data::impl

namespace matlab::abi {

using matlab::data::impl::ArrayFactoryImpl;
using matlab::data::impl::ArrayImpl;
using matlab::data::impl::ReferenceImpl;

// Class codes of host arrays. Every class has a code of its own; only a real,
// full double array (kDouble) may be viewed with double elements.
enum TypeCode : std::int32_t {
  kLogical = 0,
  kChar = 1,
  kMatlabString = 2,
  kDouble = 3,
  kSingle = 4,
  kInt8 = 5,
  kUInt8 = 6,
  kInt16 = 7,
  kUInt16 = 8,
  kInt32 = 9,
  kUInt32 = 10,
  kInt64 = 11,
  kUInt64 = 12,
  kComplexDouble = 13,
  kComplexSingle = 14,
  kComplexInt8 = 15,
  kComplexUInt8 = 16,
  kComplexInt16 = 17,
  kComplexUInt16 = 18,
  kComplexInt32 = 19,
  kComplexUInt32 = 20,
  kComplexInt64 = 21,
  kComplexUInt64 = 22,
  kCell = 23,
  kStruct = 24,
  kObject = 25,
  kValueObject = 26,
  kHandleObjectRef = 27,
  kEnum = 28,
  kSparseLogical = 29,
  kSparseDouble = 30,
  kSparseComplexDouble = 31,
  kUnknown = 32,
};

// Indices of the data operations, as passed to get_function_ptr.
enum Operation : std::int32_t {
  kCreateArrayWithDims = 1,
  kCreateFactory = 14,
  kDestroyFactory = 15,
  kReferenceAddIndex = 16,
  kDestroyReference = 23,
  kCreateDefaultArray = 49,
  kDestroyArray = 50,
  kGetArrayType = 53,
  kUnshareArray = 55,
  kArrayGetReference = 56,
  kCanViewAs = 59,
  kReferenceGetAddress = 93,
  kReferenceAssign = 95,
};

// Signatures of the data operations. Beside each: what the MEX file gives
// (in argument order) and what it relies on getting back. "Status" is an
// int32 result, 0 for success, otherwise an error code that the interface
// layer maps to an exception; "place for X" is an out-parameter the host
// fills in only on success.

// 1. Given: the factory, the type code, the dimension list's data, its
// length, place for the array. Answers: status, and the new array.
using CreateArrayWithDimsFn = std::int32_t (*)(ArrayFactoryImpl* factory, std::int32_t type,
                                               const std::uint64_t* dims, std::uint64_t ndims,
                                               ArrayImpl** out);
// 14. Given: place for the factory. Answers: status, and the factory.
using CreateFactoryFn = std::int32_t (*)(ArrayFactoryImpl** out);
// 15. Given: the factory. Answers: nothing.
using DestroyFactoryFn = void (*)(ArrayFactoryImpl* factory);
// 16. Given: the reference, the next (column) index. Answers: status.
using ReferenceAddIndexFn = std::int32_t (*)(ReferenceImpl* reference, std::uint64_t index);
// 23. Given: the reference. Answers: nothing.
using DestroyReferenceFn = void (*)(ReferenceImpl* reference);
// 49. Given: nothing. Answers: the new array itself (no status); the MEX file
// owns it from then on. A null answer is memory exhaustion.
using CreateDefaultArrayFn = ArrayImpl* (*)();
// 50. Given: the array. Answers: nothing; the handle is not used again.
using DestroyArrayFn = void (*)(ArrayImpl* array);
// 53. Given: the array, place for its type code. Answers: status, and the
// type code.
using GetArrayTypeFn = std::int32_t (*)(ArrayImpl* array, std::int32_t* type);
// 55. Given: the view's array, whether the view's handle is its only owner,
// place for a new array. Answers (no status): true when the host made a new
// array (stored in *out), which the view then holds instead of the old one;
// false otherwise (*out untouched).
using UnshareArrayFn = bool (*)(ArrayImpl* array, bool unique, ArrayImpl** out);
// 56. Given: the array, the first (row) index, place for a reference.
// Answers: status, and the reference.
using ArrayGetReferenceFn = std::int32_t (*)(ArrayImpl* array, std::uint64_t index,
                                             ReferenceImpl** out);
// 59. Given: the requested element type code first, the array's own type
// code second, place for a yes/no. Answers: status, and yes or no.
using CanViewAsFn = std::int32_t (*)(std::int32_t requested, std::int32_t actual, bool* yes);
// 93. Given: the reference, place for an address. Answers: status, and the
// address of the referenced element.
using ReferenceGetAddressFn = std::int32_t (*)(ReferenceImpl* reference, void** address);
// 95. Given: the reference, the value's type code, the address of the value.
// Answers: status.
using ReferenceAssignFn = std::int32_t (*)(ReferenceImpl* reference, std::int32_t type,
                                           const void* value);

// Host callbacks handed to the entry points, called by the MEX file.
// Output: given the slot count and that many raw handles, which stay the MEX
// file's own; answers nothing.
using OutputCallback = void (*)(std::int32_t count, ArrayImpl** outputs);
// Error: given the message, then the identifier, both NUL-terminated and
// valid only during the call; answers nothing.
using ErrorCallback = void (*)(const char* message, const char* identifier);

// The host function handle that libmex hands out; opaque to the MEX file.
using FunctionHandle = void*;

}  // namespace matlab::abi

// Host library exports: libMatlabDataArray and libmex.
#if defined(MATLAB_HOST_BUILDING_DATA_LIBRARY)
#define MATLAB_HOST_DATA_API MATLAB_HOST_EXPORT
#else
#define MATLAB_HOST_DATA_API MATLAB_HOST_IMPORT
#endif
#if defined(MATLAB_HOST_BUILDING_MEX_LIBRARY)
#define MATLAB_HOST_MEX_API MATLAB_HOST_EXPORT
#else
#define MATLAB_HOST_MEX_API MATLAB_HOST_IMPORT
#endif

extern "C" {
// Given: the operation index. Answers: the function for that operation, or
// null when the library has no such operation.
MATLAB_HOST_DATA_API void* get_function_ptr(int index);

// Given: nothing. Answers: the host function handle. May throw.
MATLAB_HOST_MEX_API void* mexGetFunctionImpl();
// Given: the host function handle. Answers: a result that the MEX file
// ignores and never reads (the stand-in host's 0 or non-zero serves its own
// tests). May throw.
MATLAB_HOST_MEX_API int mexDestroyFunctionImpl(void* functionImpl);
}
