// data_library.cpp — libMatlabDataArray of the stand-in host.
//
// The array model: every raw handle (ArrayImpl) is a host handle on a data
// buffer; handles made by sharing hold the same buffer, and operation 55 gives
// a handle a private copy before it is written. Element references
// (ReferenceImpl) collect one index per dimension.
//
// Where the indices are checked:
//   56 (first index):  an array with no elements -> 21 "Can't index into an
//                      empty array."; index >= dims[0] -> 1 "Array index is
//                      invalid."
//   16 (next index):   more indices than dimensions -> 6 "Too many indices
//                      provided."; index >= that dimension -> 1
//   93, 95 (use):      fewer indices than dimensions -> 5 "Not enough indices
//                      provided."
// So an access fails at the first index that does not exist: [1][0] of a 1x6
// row fails at 56. Other statuses: 95 with a type code other than the array's
// class -> 8 "Data type mismatch."; 93/95 on a class without addressable
// elements (cell, struct, sparse) -> 22 "The specified feature is not
// supported."; 1 with a class the host does not model -> 22; a request too
// large for memory -> 19; a null or unknown pointer argument -> 20.
#include "state.hpp"
#include "trace_record.hpp"

#include <standin/host.hpp>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <unordered_map>

namespace mx = matlab::abi;

namespace standin::detail {

// A data buffer: what several host handles share until one is unshared.
struct Buffer {
  std::int32_t type = mx::kDouble;
  std::vector<std::uint64_t> dims{0, 0};
  std::vector<unsigned char> bytes;                // numeric, logical, char, sparse
  std::vector<std::shared_ptr<const Buffer>> elements;  // cell, struct (never written)
  std::vector<std::string> fields;                 // struct
};

}  // namespace standin::detail

namespace matlab::data::impl {
struct ArrayImpl {
  std::shared_ptr<standin::detail::Buffer> data;
  // Distinct for every handle ever made: a freed handle's address may be
  // reused by the next one, its serial never is.
  std::uint64_t serial = 0;
};
struct ArrayFactoryImpl {
  int unused = 0;
};
// The indices given so far, one per dimension at most; arrays of up to four
// dimensions keep them in place.
struct ReferenceImpl {
  ArrayImpl* array = nullptr;
  std::size_t count = 0;
  std::uint64_t local[4] = {};
  std::unique_ptr<std::uint64_t[]> heap;
  std::uint64_t* index() { return heap ? heap.get() : local; }
  const std::uint64_t* index() const { return heap ? heap.get() : local; }
};
}  // namespace matlab::data::impl

namespace standin {
namespace {

using mx::ArrayFactoryImpl;
using mx::ReferenceImpl;
using detail::Buffer;

// Status codes the host returns.
constexpr std::int32_t kOk = 0;
constexpr std::int32_t kInvalidIndex = 1;
constexpr std::int32_t kNotEnoughIndices = 5;
constexpr std::int32_t kTooManyIndices = 6;
constexpr std::int32_t kDataTypeMismatch = 8;
constexpr std::int32_t kOutOfMemory = 19;
constexpr std::int32_t kSystemError = 20;
constexpr std::int32_t kEmptyArray = 21;
constexpr std::int32_t kNotSupported = 22;

// ---------------------------------------------------------------------------
// Counters: all threads (atomic, reset by reset()) and this thread (never reset)
// ---------------------------------------------------------------------------

enum Field {
  kArraysCreated,
  kArraysDestroyed,
  kFactoriesCreated,
  kFactoriesDestroyed,
  kReferencesCreated,
  kReferencesDestroyed,
  kFunctionsCreated,
  kFunctionsDestroyed,
  kInvalidDestroys,
  kInjectedFaults,
  kFieldCount
};

struct GlobalCounts {
  std::atomic<std::int64_t> fields[kFieldCount];
  std::atomic<std::int64_t> calls[kOperationSlots];
  std::atomic<std::int64_t> lookups[kOperationSlots];
  std::atomic<std::int64_t> functionCalls;  // mexGetFunctionImpl, for failGetFunctionImpl
  std::atomic<std::int64_t> destroyCalls;   // mexDestroyFunctionImpl, for failDestroyFunctionImpl
};
GlobalCounts gCounts{};

struct ThreadCounts {
  std::int64_t fields[kFieldCount];
  std::int64_t calls[kOperationSlots];
  std::int64_t lookups[kOperationSlots];
};
thread_local ThreadCounts tCounts{};

void bump(Field f) {
  gCounts.fields[f].fetch_add(1, std::memory_order_relaxed);
  ++tCounts.fields[f];
}

// ---------------------------------------------------------------------------
// Fault settings
// ---------------------------------------------------------------------------

struct Rule {
  std::int32_t op;
  std::uint64_t first;
  std::uint64_t times;
  std::int32_t status;
};

std::mutex gRulesMutex;
std::vector<Rule> gRules;  // guarded by gRulesMutex
std::atomic<bool> gHaveRules{false};
std::atomic<bool> gMissing[kOperationSlots]{};
std::atomic<std::int32_t> gUnshareMode{static_cast<std::int32_t>(UnshareMode::natural)};
std::atomic<std::uint64_t> gFunctionFailFirst{0};
std::atomic<std::uint64_t> gFunctionFailTimes{0};
std::atomic<std::uint64_t> gDestroyFailFirst{0};
std::atomic<std::uint64_t> gDestroyFailTimes{0};

// Whether call `n` (from 1) falls in the window [first, first + times).
bool inWindow(std::uint64_t n, const std::atomic<std::uint64_t>& first, const std::atomic<std::uint64_t>& times) {
  const std::uint64_t f = first.load(std::memory_order_relaxed);
  const std::uint64_t t = times.load(std::memory_order_relaxed);
  return t != 0 && n >= f && n - f < t;
}

// Counts one call of a status-returning operation; returns the injected
// status for this call, or kOk.
std::int32_t enter(std::int32_t op) {
  const auto n = static_cast<std::uint64_t>(gCounts.calls[op].fetch_add(1, std::memory_order_relaxed)) + 1;
  ++tCounts.calls[op];
  if (!gHaveRules.load(std::memory_order_acquire)) return kOk;
  std::lock_guard<std::mutex> lock(gRulesMutex);
  for (const Rule& r : gRules) {
    if (r.op == op && n >= r.first && n - r.first < r.times) {
      bump(kInjectedFaults);
      return r.status;
    }
  }
  return kOk;
}

void enterVoid(std::int32_t op) {
  gCounts.calls[op].fetch_add(1, std::memory_order_relaxed);
  ++tCounts.calls[op];
}

// ---------------------------------------------------------------------------
// Live objects
// ---------------------------------------------------------------------------

class Registry {
 public:
  void add(const void* p, std::uint64_t serial = 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    live_[p] = serial;
  }
  bool remove(const void* p) {
    std::lock_guard<std::mutex> lock(mutex_);
    return live_.erase(p) == 1;
  }
  bool contains(const void* p) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return live_.count(p) == 1;
  }
  // The serial `p` was added with; 0 when `p` is not live.
  std::uint64_t serialOf(const void* p) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = live_.find(p);
    return it == live_.end() ? 0 : it->second;
  }
  std::int64_t size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<std::int64_t>(live_.size());
  }

 private:
  mutable std::mutex mutex_;
  std::unordered_map<const void*, std::uint64_t> live_;
};

// Never destroyed: objects may still be given back while the process exits,
// and what a faulty MEX file leaked stays reachable rather than lost.
Registry& gArrays = *new Registry;
Registry& gFactories = *new Registry;
Registry& gReferences = *new Registry;
Registry& gFunctions = *new Registry;

// ---------------------------------------------------------------------------
// The record (trace_record.hpp): ids of what an operation is given or makes
// ---------------------------------------------------------------------------

std::uint64_t keyOf(const void* p) { return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p)); }

std::string idOf(const ArrayImpl* a) {
  return a == nullptr ? "null" : detail::recordId('A', gArrays.serialOf(a));
}
std::string idOf(const Registry& live, char kind, const void* p) {
  return p == nullptr ? "null" : detail::recordId(kind, live.contains(p) ? keyOf(p) : 0);
}
std::string idOf(const ArrayFactoryImpl* f) { return idOf(gFactories, 'F', f); }
std::string idOf(const ReferenceImpl* r) { return idOf(gReferences, 'R', r); }

// "-> <status>", followed by `made` on success.
std::string answer(std::int32_t status, const std::string& made = {}) {
  std::string text = " -> " + std::to_string(status);
  if (status == 0 && !made.empty()) text += " " + made;
  return text;
}

ArrayImpl* adopt(std::shared_ptr<Buffer> data) {
  static std::atomic<std::uint64_t> lastSerial{0};
  auto a = std::make_unique<ArrayImpl>();
  a->data = std::move(data);
  a->serial = lastSerial.fetch_add(1, std::memory_order_relaxed) + 1;
  gArrays.add(a.get(), a->serial);
  bump(kArraysCreated);
  return a.release();
}

bool release(ArrayImpl* a) {
  if (a == nullptr || !gArrays.remove(a)) {
    bump(kInvalidDestroys);
    return false;
  }
  delete a;
  bump(kArraysDestroyed);
  return true;
}

// ---------------------------------------------------------------------------
// Classes and shapes
// ---------------------------------------------------------------------------

bool isContainer(std::int32_t type) { return type == mx::kCell || type == mx::kStruct; }
bool isSparse(std::int32_t type) {
  return type == mx::kSparseLogical || type == mx::kSparseDouble || type == mx::kSparseComplexDouble;
}
bool isModelled(std::int32_t type) { return isContainer(type) || elementBytes(type) != 0; }

// At least two dimensions, no trailing singletons beyond the second.
std::vector<std::uint64_t> normalised(const std::uint64_t* dims, std::uint64_t ndims) {
  std::vector<std::uint64_t> d(dims, dims + ndims);
  if (d.empty()) d = {0, 0};
  if (d.size() == 1) d.push_back(1);
  while (d.size() > 2 && d.back() == 1) d.pop_back();
  return d;
}

// The number of elements, or false when it overflows.
bool countElements(const std::vector<std::uint64_t>& dims, std::uint64_t& n) {
  n = 1;
  for (std::uint64_t d : dims) {
    if (d != 0 && n > std::numeric_limits<std::uint64_t>::max() / d) return false;
    n *= d;
  }
  return true;
}

std::uint64_t numel(const Buffer& b) {
  std::uint64_t n = 0;
  countElements(b.dims, n);
  return n;
}

std::shared_ptr<Buffer> defaultDouble() { return std::make_shared<Buffer>(); }

std::shared_ptr<Buffer> fromValue(const Value& v) {
  if (!isModelled(v.type)) throw std::invalid_argument("standin: class code not modelled");
  auto b = std::make_shared<Buffer>();
  b->type = v.type;
  b->dims = normalised(v.dims.data(), v.dims.size());
  std::uint64_t n = 0;
  if (!countElements(b->dims, n)) throw std::invalid_argument("standin: dimensions overflow");
  if (isContainer(v.type)) {
    const std::uint64_t per = v.type == mx::kStruct ? v.fields.size() : 1;
    if (v.elements.size() != n * per || !v.bytes.empty())
      throw std::invalid_argument("standin: wrong number of cell or struct elements");
    b->fields = v.fields;
    for (const Value& e : v.elements) b->elements.push_back(fromValue(e));
  } else {
    if (v.bytes.size() != n * elementBytes(v.type) || !v.elements.empty() || !v.fields.empty())
      throw std::invalid_argument("standin: wrong number of element bytes");
    b->bytes = v.bytes;
  }
  return b;
}

Value toValue(const Buffer& b) {
  Value v;
  v.type = b.type;
  v.dims = b.dims;
  v.bytes = b.bytes;
  v.fields = b.fields;
  for (const auto& e : b.elements) v.elements.push_back(toValue(*e));
  return v;
}

// ---------------------------------------------------------------------------
// The data operations
// ---------------------------------------------------------------------------

std::int32_t modelCreateArrayWithDims(ArrayFactoryImpl* factory, std::int32_t type,
                                 const std::uint64_t* dims, std::uint64_t ndims, ArrayImpl** out) {
  if (std::int32_t s = enter(mx::kCreateArrayWithDims)) return s;
  if (factory == nullptr || out == nullptr || (dims == nullptr && ndims != 0)) return kSystemError;
  if (!isModelled(type)) return kNotSupported;
  try {
    auto b = std::make_shared<Buffer>();
    b->type = type;
    b->dims = normalised(dims, ndims);
    std::uint64_t n = 0;
    if (!countElements(b->dims, n)) return kOutOfMemory;
    if (type == mx::kCell) {
      b->elements.assign(n, defaultDouble());
    } else if (type != mx::kStruct) {
      const std::uint64_t bytes = n * elementBytes(type);
      if (bytes / elementBytes(type) != n || bytes > (std::uint64_t{1} << 40)) return kOutOfMemory;
      b->bytes.assign(bytes, 0);
    }
    *out = adopt(std::move(b));
    return kOk;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
}

std::int32_t modelCreateFactory(ArrayFactoryImpl** out) {
  if (std::int32_t s = enter(mx::kCreateFactory)) return s;
  if (out == nullptr) return kSystemError;
  try {
    auto f = std::make_unique<ArrayFactoryImpl>();
    gFactories.add(f.get());
    bump(kFactoriesCreated);
    *out = f.release();
    return kOk;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
}

void modelDestroyFactory(ArrayFactoryImpl* factory) {
  enterVoid(mx::kDestroyFactory);
  if (factory == nullptr || !gFactories.remove(factory)) {
    bump(kInvalidDestroys);
    return;
  }
  delete factory;
  bump(kFactoriesDestroyed);
}

std::int32_t modelReferenceAddIndex(ReferenceImpl* reference, std::uint64_t index) {
  if (std::int32_t s = enter(mx::kReferenceAddIndex)) return s;
  if (reference == nullptr) return kSystemError;
  const std::vector<std::uint64_t>& dims = reference->array->data->dims;
  const std::size_t k = reference->count;
  if (k >= dims.size()) return kTooManyIndices;
  if (index >= dims[k]) return kInvalidIndex;
  reference->index()[k] = index;
  reference->count = k + 1;
  return kOk;
}

void modelDestroyReference(ReferenceImpl* reference) {
  enterVoid(mx::kDestroyReference);
  if (reference == nullptr || !gReferences.remove(reference)) {
    bump(kInvalidDestroys);
    return;
  }
  delete reference;
  bump(kReferencesDestroyed);
}

// No status: a fault injected here, or memory running out, answers null.
ArrayImpl* modelCreateDefaultArray() {
  if (enter(mx::kCreateDefaultArray) != kOk) return nullptr;
  try {
    return adopt(defaultDouble());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void modelDestroyArray(ArrayImpl* array) {
  enterVoid(mx::kDestroyArray);
  release(array);
}

std::int32_t modelGetArrayType(ArrayImpl* array, std::int32_t* type) {
  if (std::int32_t s = enter(mx::kGetArrayType)) return s;
  if (array == nullptr || type == nullptr) return kSystemError;
  *type = array->data->type;
  return kOk;
}

bool modelUnshareArray(ArrayImpl* array, bool unique, ArrayImpl** out) {
  enterVoid(mx::kUnshareArray);
  if (array == nullptr || out == nullptr) return false;
  bool copy = false;
  switch (static_cast<UnshareMode>(gUnshareMode.load(std::memory_order_relaxed))) {
    case UnshareMode::natural: copy = !unique || array->data.use_count() > 1; break;
    case UnshareMode::alwaysCopy: copy = true; break;
    case UnshareMode::neverCopy: copy = false; break;
  }
  if (!copy) return false;
  try {
    *out = adopt(std::make_shared<Buffer>(*array->data));
    return true;
  } catch (const std::bad_alloc&) {
    return false;  // no copy made; the caller keeps its handle
  }
}

std::int32_t modelArrayGetReference(ArrayImpl* array, std::uint64_t index, ReferenceImpl** out) {
  if (std::int32_t s = enter(mx::kArrayGetReference)) return s;
  if (array == nullptr || out == nullptr) return kSystemError;
  const Buffer& b = *array->data;
  if (numel(b) == 0) return kEmptyArray;
  if (index >= b.dims[0]) return kInvalidIndex;
  try {
    auto r = std::make_unique<ReferenceImpl>();
    r->array = array;
    if (b.dims.size() > std::size(r->local)) r->heap = std::make_unique<std::uint64_t[]>(b.dims.size());
    r->index()[0] = index;
    r->count = 1;
    gReferences.add(r.get());
    bump(kReferencesCreated);
    *out = r.release();
    return kOk;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
}

std::int32_t modelCanViewAs(std::int32_t requested, std::int32_t actual, bool* yes) {
  if (std::int32_t s = enter(mx::kCanViewAs)) return s;
  if (yes == nullptr) return kSystemError;
  *yes = requested == actual;
  return kOk;
}

// The column-major offset of a complete reference, or a status.
std::int32_t locate(const ReferenceImpl& r, std::uint64_t& offset) {
  const std::vector<std::uint64_t>& dims = r.array->data->dims;
  if (r.count < dims.size()) return kNotEnoughIndices;
  offset = 0;
  for (std::size_t k = dims.size(); k-- > 0;) offset = offset * dims[k] + r.index()[k];
  return kOk;
}

bool addressable(std::int32_t type) { return !isContainer(type) && !isSparse(type); }

std::int32_t modelReferenceGetAddress(ReferenceImpl* reference, void** address) {
  if (std::int32_t s = enter(mx::kReferenceGetAddress)) return s;
  if (reference == nullptr || address == nullptr) return kSystemError;
  std::uint64_t offset = 0;
  if (std::int32_t s = locate(*reference, offset)) return s;
  Buffer& b = *reference->array->data;
  if (!addressable(b.type)) return kNotSupported;
  *address = b.bytes.data() + offset * elementBytes(b.type);
  return kOk;
}

std::int32_t modelReferenceAssign(ReferenceImpl* reference, std::int32_t type, const void* value) {
  if (std::int32_t s = enter(mx::kReferenceAssign)) return s;
  if (reference == nullptr || value == nullptr) return kSystemError;
  std::uint64_t offset = 0;
  if (std::int32_t s = locate(*reference, offset)) return s;
  Buffer& b = *reference->array->data;
  if (type != b.type) return kDataTypeMismatch;
  if (!addressable(b.type)) return kNotSupported;
  const std::size_t size = elementBytes(b.type);
  std::memcpy(b.bytes.data() + offset * size, value, size);
  return kOk;
}

// ---------------------------------------------------------------------------
// The operations as get_function_ptr hands them out: the model's, each
// recorded with its arguments and its answer while the thread is recording
// ---------------------------------------------------------------------------

std::string dimsText(const std::uint64_t* dims, std::uint64_t ndims) {
  if (dims == nullptr) return "null";
  constexpr std::uint64_t kShown = 8;
  std::string text = "[";
  for (std::uint64_t i = 0; i < ndims && i < kShown; ++i) text += (i != 0 ? " " : "") + std::to_string(dims[i]);
  return text + (ndims > kShown ? " ...]" : "]");
}

std::int32_t createArrayWithDims(ArrayFactoryImpl* factory, std::int32_t type, const std::uint64_t* dims,
                                 std::uint64_t ndims, ArrayImpl** out) {
  if (!detail::recording()) return modelCreateArrayWithDims(factory, type, dims, ndims, out);
  const std::string given = "1 createArrayWithDims(" + idOf(factory) + ", " + std::to_string(type) + ", " +
                            dimsText(dims, ndims) + ", " + std::to_string(ndims) + ")";
  const std::int32_t s = modelCreateArrayWithDims(factory, type, dims, ndims, out);
  detail::recordLine(given + answer(s, s == kOk ? idOf(*out) : ""));
  return s;
}

std::int32_t createFactory(ArrayFactoryImpl** out) {
  const std::int32_t s = modelCreateFactory(out);
  if (detail::recording()) detail::recordLine("14 createFactory()" + answer(s, s == kOk ? idOf(*out) : ""));
  return s;
}

void destroyFactory(ArrayFactoryImpl* factory) {
  if (!detail::recording()) return modelDestroyFactory(factory);
  detail::recordLine("15 destroyFactory(" + idOf(factory) + ")");
  const std::uint64_t key = keyOf(factory);  // taken while the pointer is valid
  modelDestroyFactory(factory);
  detail::recordForget('F', key);
}

std::int32_t referenceAddIndex(ReferenceImpl* reference, std::uint64_t index) {
  if (!detail::recording()) return modelReferenceAddIndex(reference, index);
  const std::string given = "16 referenceAddIndex(" + idOf(reference) + ", " + std::to_string(index) + ")";
  const std::int32_t s = modelReferenceAddIndex(reference, index);
  detail::recordLine(given + answer(s));
  return s;
}

void destroyReference(ReferenceImpl* reference) {
  if (!detail::recording()) return modelDestroyReference(reference);
  detail::recordLine("23 destroyReference(" + idOf(reference) + ")");
  const std::uint64_t key = keyOf(reference);  // taken while the pointer is valid
  modelDestroyReference(reference);
  detail::recordForget('R', key);
}

ArrayImpl* createDefaultArray() {
  ArrayImpl* made = modelCreateDefaultArray();
  if (detail::recording()) detail::recordLine("49 createDefaultArray() -> " + idOf(made));
  return made;
}

void destroyArrayOp(ArrayImpl* array) {
  if (detail::recording()) detail::recordLine("50 destroyArray(" + idOf(array) + ")");
  modelDestroyArray(array);
}

std::int32_t getArrayType(ArrayImpl* array, std::int32_t* type) {
  if (!detail::recording()) return modelGetArrayType(array, type);
  const std::string given = "53 getArrayType(" + idOf(array) + ")";
  const std::int32_t s = modelGetArrayType(array, type);
  detail::recordLine(given + answer(s, s == kOk ? "type " + std::to_string(*type) : ""));
  return s;
}

bool unshareArray(ArrayImpl* array, bool unique, ArrayImpl** out) {
  if (!detail::recording()) return modelUnshareArray(array, unique, out);
  const std::string given = "55 unshareArray(" + idOf(array) + ", unique=" + (unique ? "1" : "0") + ")";
  const bool made = modelUnshareArray(array, unique, out);
  detail::recordLine(given + (made ? " -> true " + idOf(*out) : " -> false"));
  return made;
}

std::int32_t arrayGetReference(ArrayImpl* array, std::uint64_t index, ReferenceImpl** out) {
  if (!detail::recording()) return modelArrayGetReference(array, index, out);
  const std::string given = "56 arrayGetReference(" + idOf(array) + ", " + std::to_string(index) + ")";
  const std::int32_t s = modelArrayGetReference(array, index, out);
  detail::recordLine(given + answer(s, s == kOk ? idOf(*out) : ""));
  return s;
}

std::int32_t canViewAs(std::int32_t requested, std::int32_t actual, bool* yes) {
  const std::int32_t s = modelCanViewAs(requested, actual, yes);
  if (detail::recording()) {
    detail::recordLine("59 canViewAs(requested " + std::to_string(requested) + ", actual " +
                       std::to_string(actual) + ")" + answer(s, s == kOk ? (*yes ? "yes" : "no") : ""));
  }
  return s;
}

std::int32_t referenceGetAddress(ReferenceImpl* reference, void** address) {
  if (!detail::recording()) return modelReferenceGetAddress(reference, address);
  const std::string given = "93 referenceGetAddress(" + idOf(reference) + ")";
  const std::int32_t s = modelReferenceGetAddress(reference, address);
  // The answer is an address; what it holds is the element's value.
  const std::string held =
      s == kOk ? "element " + detail::recordBits(*address, elementBytes(reference->array->data->type)) : "";
  detail::recordLine(given + answer(s, held));
  return s;
}

std::int32_t referenceAssign(ReferenceImpl* reference, std::int32_t type, const void* value) {
  if (!detail::recording()) return modelReferenceAssign(reference, type, value);
  const std::string id = idOf(reference);
  const std::int32_t s = modelReferenceAssign(reference, type, value);
  // The value's bits as far as the host read them: all of them on success.
  const std::string bits = s == kOk ? detail::recordBits(value, elementBytes(type)) : "unread";
  detail::recordLine("95 referenceAssign(" + id + ", " + std::to_string(type) + ", " + bits + ")" + answer(s));
  return s;
}

const ArrayImpl* liveArray(const ArrayImpl* a) { return a != nullptr && gArrays.contains(a) ? a : nullptr; }

Counts snapshot(const std::int64_t* fields, const std::int64_t* calls, const std::int64_t* lookups) {
  Counts c;
  c.arraysCreated = fields[kArraysCreated];
  c.arraysDestroyed = fields[kArraysDestroyed];
  c.factoriesCreated = fields[kFactoriesCreated];
  c.factoriesDestroyed = fields[kFactoriesDestroyed];
  c.referencesCreated = fields[kReferencesCreated];
  c.referencesDestroyed = fields[kReferencesDestroyed];
  c.functionsCreated = fields[kFunctionsCreated];
  c.functionsDestroyed = fields[kFunctionsDestroyed];
  c.invalidDestroys = fields[kInvalidDestroys];
  c.injectedFaults = fields[kInjectedFaults];
  std::copy(calls, calls + kOperationSlots, c.calls.begin());
  std::copy(lookups, lookups + kOperationSlots, c.lookups.begin());
  return c;
}

}  // namespace

// ---------------------------------------------------------------------------
// Host control API
// ---------------------------------------------------------------------------

std::size_t elementBytes(std::int32_t type) {
  switch (type) {
    case mx::kLogical:
    case mx::kInt8:
    case mx::kUInt8:
    case mx::kSparseLogical: return 1;
    case mx::kChar:
    case mx::kInt16:
    case mx::kUInt16:
    case mx::kComplexInt8:
    case mx::kComplexUInt8: return 2;
    case mx::kSingle:
    case mx::kInt32:
    case mx::kUInt32:
    case mx::kComplexInt16:
    case mx::kComplexUInt16: return 4;
    case mx::kDouble:
    case mx::kInt64:
    case mx::kUInt64:
    case mx::kComplexSingle:
    case mx::kComplexInt32:
    case mx::kComplexUInt32:
    case mx::kSparseDouble: return 8;
    case mx::kComplexDouble:
    case mx::kComplexInt64:
    case mx::kComplexUInt64:
    case mx::kSparseComplexDouble: return 16;
    default: return 0;
  }
}

ArrayImpl* createArray(const Value& value) { return adopt(fromValue(value)); }

Value readArray(const ArrayImpl* array) {
  if (liveArray(array) == nullptr) throw std::invalid_argument("standin: not a live array handle");
  return toValue(*array->data);
}

ArrayImpl* sharedCopy(const ArrayImpl* array) {
  if (liveArray(array) == nullptr) return nullptr;
  return adopt(array->data);
}

bool isLive(const ArrayImpl* array) { return liveArray(array) != nullptr; }

std::uint64_t liveSerial(const ArrayImpl* array) { return array != nullptr ? gArrays.serialOf(array) : 0; }

bool sharesData(const ArrayImpl* a, const ArrayImpl* b) {
  return liveArray(a) != nullptr && liveArray(b) != nullptr && a->data == b->data;
}

bool destroyArray(ArrayImpl* array) { return release(array); }

Counts operator-(const Counts& later, const Counts& earlier) {
  Counts d;
  d.arraysCreated = later.arraysCreated - earlier.arraysCreated;
  d.arraysDestroyed = later.arraysDestroyed - earlier.arraysDestroyed;
  d.factoriesCreated = later.factoriesCreated - earlier.factoriesCreated;
  d.factoriesDestroyed = later.factoriesDestroyed - earlier.factoriesDestroyed;
  d.referencesCreated = later.referencesCreated - earlier.referencesCreated;
  d.referencesDestroyed = later.referencesDestroyed - earlier.referencesDestroyed;
  d.functionsCreated = later.functionsCreated - earlier.functionsCreated;
  d.functionsDestroyed = later.functionsDestroyed - earlier.functionsDestroyed;
  d.invalidDestroys = later.invalidDestroys - earlier.invalidDestroys;
  d.injectedFaults = later.injectedFaults - earlier.injectedFaults;
  for (int i = 0; i < kOperationSlots; ++i) {
    d.calls[i] = later.calls[i] - earlier.calls[i];
    d.lookups[i] = later.lookups[i] - earlier.lookups[i];
  }
  return d;
}

Counts counts() {
  std::int64_t fields[kFieldCount];
  std::int64_t calls[kOperationSlots];
  std::int64_t lookups[kOperationSlots];
  for (int i = 0; i < kFieldCount; ++i) fields[i] = gCounts.fields[i].load(std::memory_order_relaxed);
  for (int i = 0; i < kOperationSlots; ++i) {
    calls[i] = gCounts.calls[i].load(std::memory_order_relaxed);
    lookups[i] = gCounts.lookups[i].load(std::memory_order_relaxed);
  }
  return snapshot(fields, calls, lookups);
}

Counts threadCounts() { return snapshot(tCounts.fields, tCounts.calls, tCounts.lookups); }

Live live() {
  return Live{gArrays.size(), gFactories.size(), gReferences.size(), gFunctions.size()};
}

void failOperation(std::int32_t op, std::uint64_t nthCall, std::int32_t status, std::uint64_t times) {
  std::lock_guard<std::mutex> lock(gRulesMutex);
  gRules.push_back(Rule{op, nthCall, times, status});
  gHaveRules.store(true, std::memory_order_release);
}

void forceUnshare(UnshareMode mode) {
  gUnshareMode.store(static_cast<std::int32_t>(mode), std::memory_order_relaxed);
}

void setMissing(std::int32_t op, bool missing) {
  if (op >= 0 && op < kOperationSlots) gMissing[op].store(missing, std::memory_order_relaxed);
}

void failGetFunctionImpl(std::uint64_t nthCall, std::uint64_t times) {
  gFunctionFailTimes.store(0, std::memory_order_relaxed);
  gFunctionFailFirst.store(nthCall, std::memory_order_relaxed);
  gFunctionFailTimes.store(times, std::memory_order_relaxed);
}

void failDestroyFunctionImpl(std::uint64_t nthCall, std::uint64_t times) {
  gDestroyFailTimes.store(0, std::memory_order_relaxed);
  gDestroyFailFirst.store(nthCall, std::memory_order_relaxed);
  gDestroyFailTimes.store(times, std::memory_order_relaxed);
}

void reset() {
  {
    std::lock_guard<std::mutex> lock(gRulesMutex);
    gRules.clear();
    gHaveRules.store(false, std::memory_order_release);
  }
  for (auto& m : gMissing) m.store(false, std::memory_order_relaxed);
  gUnshareMode.store(static_cast<std::int32_t>(UnshareMode::natural), std::memory_order_relaxed);
  gFunctionFailTimes.store(0, std::memory_order_relaxed);
  gFunctionFailFirst.store(0, std::memory_order_relaxed);
  gDestroyFailTimes.store(0, std::memory_order_relaxed);
  gDestroyFailFirst.store(0, std::memory_order_relaxed);
  for (auto& f : gCounts.fields) f.store(0, std::memory_order_relaxed);
  for (auto& c : gCounts.calls) c.store(0, std::memory_order_relaxed);
  for (auto& l : gCounts.lookups) l.store(0, std::memory_order_relaxed);
  gCounts.functionCalls.store(0, std::memory_order_relaxed);
  gCounts.destroyCalls.store(0, std::memory_order_relaxed);
}

namespace detail {

void* newFunctionHandle() {
  const auto n = static_cast<std::uint64_t>(gCounts.functionCalls.fetch_add(1, std::memory_order_relaxed)) + 1;
  if (inWindow(n, gFunctionFailFirst, gFunctionFailTimes)) {
    bump(kInjectedFaults);
    recordLine("mexGetFunctionImpl() -> throws");
    throw std::runtime_error(kGetFunctionImplFailure);
  }
  // The handle is opaque to the MEX file; one byte of host memory serves.
  auto* handle = new unsigned char{0};
  gFunctions.add(handle);
  bump(kFunctionsCreated);
  if (recording()) recordLine("mexGetFunctionImpl() -> " + idOf(gFunctions, 'H', handle));
  return handle;
}

int destroyFunctionHandle(void* handle) {
  const auto n = static_cast<std::uint64_t>(gCounts.destroyCalls.fetch_add(1, std::memory_order_relaxed)) + 1;
  const std::string given = recording() ? "mexDestroyFunctionImpl(" + idOf(gFunctions, 'H', handle) + ")" : "";
  int result = 0;
  if (handle == nullptr || !gFunctions.remove(handle)) {
    bump(kInvalidDestroys);
    result = 1;
  } else {
    recordForget('H', keyOf(handle));
    delete static_cast<unsigned char*>(handle);
    bump(kFunctionsDestroyed);
  }
  if (inWindow(n, gDestroyFailFirst, gDestroyFailTimes)) {
    bump(kInjectedFaults);
    recordLine(given + " -> throws");
    throw std::runtime_error(kDestroyFunctionImplFailure);
  }
  recordLine(given + " -> " + std::to_string(result));
  return result;
}

}  // namespace detail
}  // namespace standin

// ---------------------------------------------------------------------------
// The library's one export for MEX files
// ---------------------------------------------------------------------------

namespace standin {
namespace {

void* lookUp(int index) {
  if (index < 0 || index >= kOperationSlots) return nullptr;
  gCounts.lookups[index].fetch_add(1, std::memory_order_relaxed);
  ++tCounts.lookups[index];
  if (gMissing[index].load(std::memory_order_relaxed)) return nullptr;
  switch (index) {
    case mx::kCreateArrayWithDims: return reinterpret_cast<void*>(&createArrayWithDims);
    case mx::kCreateFactory: return reinterpret_cast<void*>(&createFactory);
    case mx::kDestroyFactory: return reinterpret_cast<void*>(&destroyFactory);
    case mx::kReferenceAddIndex: return reinterpret_cast<void*>(&referenceAddIndex);
    case mx::kDestroyReference: return reinterpret_cast<void*>(&destroyReference);
    case mx::kCreateDefaultArray: return reinterpret_cast<void*>(&createDefaultArray);
    case mx::kDestroyArray: return reinterpret_cast<void*>(&destroyArrayOp);
    case mx::kGetArrayType: return reinterpret_cast<void*>(&getArrayType);
    case mx::kUnshareArray: return reinterpret_cast<void*>(&unshareArray);
    case mx::kArrayGetReference: return reinterpret_cast<void*>(&arrayGetReference);
    case mx::kCanViewAs: return reinterpret_cast<void*>(&canViewAs);
    case mx::kReferenceGetAddress: return reinterpret_cast<void*>(&referenceGetAddress);
    case mx::kReferenceAssign: return reinterpret_cast<void*>(&referenceAssign);
    default: return nullptr;
  }
}

}  // namespace
}  // namespace standin

extern "C" MATLAB_HOST_DATA_API void* get_function_ptr(int index) {
  void* found = standin::lookUp(index);
  if (standin::detail::recording()) {
    standin::detail::recordLine("get_function_ptr(" + std::to_string(index) + ") -> " +
                                (found != nullptr ? "found" : "null"));
  }
  return found;
}
