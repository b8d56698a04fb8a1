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
  kCreateArrayWithDims = 1,  // int (factory, type, dims, ndims, ArrayImpl** out)
  kCreateFactory = 14,       // int (ArrayFactoryImpl** out)
  kDestroyFactory = 15,      // void (factory)
  kReferenceAddIndex = 16,   // int (reference, index)
  kDestroyReference = 23,    // void (reference)
  kCreateDefaultArray = 49,  // int (ArrayImpl** out)
  kDestroyArray = 50,        // void (array)
  kGetArrayType = 53,        // int (array, int32* type)
  kUnshareArray = 55,        // bool (array, unique, ArrayImpl** out)
  kArrayGetReference = 56,   // int (array, index, ReferenceImpl** out)
  kCanViewAs = 59,           // int (requested type, actual type, bool* yes)
  kReferenceGetAddress = 93, // int (reference, void** address)
  kReferenceAssign = 95,     // int (reference, type, const void* value)
};

// Signatures of the data operations. Those returning int32 return a status:
// 0 for success, otherwise an error code that the interface layer maps to an
// exception.
using CreateArrayWithDimsFn = std::int32_t (*)(ArrayFactoryImpl* factory, std::int32_t type,
                                               const std::uint64_t* dims, std::uint64_t ndims,
                                               ArrayImpl** out);
using CreateFactoryFn = std::int32_t (*)(ArrayFactoryImpl** out);
using DestroyFactoryFn = void (*)(ArrayFactoryImpl* factory);
using ReferenceAddIndexFn = std::int32_t (*)(ReferenceImpl* reference, std::uint64_t index);
using DestroyReferenceFn = void (*)(ReferenceImpl* reference);
using CreateDefaultArrayFn = std::int32_t (*)(ArrayImpl** out);
using DestroyArrayFn = void (*)(ArrayImpl* array);
using GetArrayTypeFn = std::int32_t (*)(ArrayImpl* array, std::int32_t* type);
// Makes `array` unshared before one of its elements is referenced. `unique`
// says whether the caller's handle is the array's only owner. Returns true
// when it made a new array (stored in *out), which the caller then holds
// instead of the old one; false otherwise (*out untouched).
using UnshareArrayFn = bool (*)(ArrayImpl* array, bool unique, ArrayImpl** out);
using ArrayGetReferenceFn = std::int32_t (*)(ArrayImpl* array, std::uint64_t index,
                                             ReferenceImpl** out);
using CanViewAsFn = std::int32_t (*)(std::int32_t requested, std::int32_t actual, bool* yes);
using ReferenceGetAddressFn = std::int32_t (*)(ReferenceImpl* reference, void** address);
using ReferenceAssignFn = std::int32_t (*)(ReferenceImpl* reference, std::int32_t type,
                                           const void* value);

// Host callbacks handed to the entry points.
using OutputCallback = void (*)(std::int32_t count, ArrayImpl** outputs);
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
// Returns the function for data operation `index`, or null when the library
// has no such operation.
MATLAB_HOST_DATA_API void* get_function_ptr(int index);

MATLAB_HOST_MEX_API void* mexGetFunctionImpl();
MATLAB_HOST_MEX_API int mexDestroyFunctionImpl(void* functionImpl);
}
