// The test program's side of the layer: its MEX function object, the host
// scope around every data operation, and the replaced global operator new.
#include "host_fixture.hpp"

#include <matlab/host_abi.hpp>
#include <matlab/mex/entry_points.hpp>
#include <matlab/mex/function.hpp>

#include <dlfcn.h>

#include <cstdlib>
#include <new>
#include <string>

namespace host_test {
namespace {

// ---------------------------------------------------------------------------
// Host scope: code of the host (data operations, callbacks) runs inside it.
// ---------------------------------------------------------------------------

thread_local int tInHost = 0;

struct InHost {
  InHost() { ++tInHost; }
  ~InHost() { --tInHost; }
  InHost(const InHost&) = delete;
  InHost& operator=(const InHost&) = delete;
};

// ---------------------------------------------------------------------------
// Allocation accounting (one thread at a time)
// ---------------------------------------------------------------------------

bool gArmed = false;
std::vector<int>* gTrace = nullptr;
std::int64_t gCounted = 0;
std::int64_t gFailAt = 0;

void* allocate(std::size_t size) {
  if (gArmed && tInHost == 0) {
    if (++gCounted == gFailAt) throw std::bad_alloc();
  }
  void* p = std::malloc(size != 0 ? size : 1);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

// ---------------------------------------------------------------------------
// The data operations, each called inside the host scope
// ---------------------------------------------------------------------------

using GetFunctionPtrFn = void* (*)(int);

GetFunctionPtrFn realGetFunctionPtr() {
  static const GetFunctionPtrFn real =
      reinterpret_cast<GetFunctionPtrFn>(dlsym(RTLD_NEXT, "get_function_ptr"));
  return real;
}

template <int Index, typename Fn>
struct Scoped;
template <int Index, typename R, typename... A>
struct Scoped<Index, R (*)(A...)> {
  static inline R (*real)(A...) = nullptr;
  static R call(A... args) {
    InHost inHost;
    if (gTrace != nullptr) gTrace->push_back(Index);
    return real(args...);
  }
  static void* wrap(void* host) {
    if (host == nullptr) return nullptr;
    real = reinterpret_cast<R (*)(A...)>(host);
    return reinterpret_cast<void*>(&call);
  }
};

// ---------------------------------------------------------------------------
// The test's MEX function object
// ---------------------------------------------------------------------------

Behaviour gBehaviour = nullptr;
void (*gCreateFailure)() = nullptr;
std::int64_t gCallOperatorAllocations = 0;

class TestFunction : public matlab::mex::Function {
 public:
  void operator()(matlab::mex::ArgumentList outputs, matlab::mex::ArgumentList inputs) override {
    const std::int64_t before = gCounted;
    struct Count {
      std::int64_t before;
      ~Count() { gCallOperatorAllocations = gCounted - before; }
    } count{before};
    if (gBehaviour != nullptr) gBehaviour(outputs, inputs);
  }
};

thread_local Call* tCall = nullptr;

void onOutput(std::int32_t count, matlab::abi::ArrayImpl** outputs) {
  InHost inHost;
  if (gTrace != nullptr) gTrace->push_back(kOutputCallback);
  ++tCall->outputCallbacks;
  for (std::int32_t i = 0; i < count; ++i) tCall->outputs.emplace_back(standin::sharedCopy(outputs[i]));
}

void onError(const char* message, const char* identifier) {
  InHost inHost;
  ++tCall->errorCallbacks;
  tCall->message = message;
  tCall->identifier = identifier;
}

void* programObject() {
  static void* object = [] {
    Call report;
    void* made = createObject(report);
    if (made == nullptr) std::abort();
    return made;
  }();
  return object;
}

}  // namespace

void setBehaviour(Behaviour behaviour) { gBehaviour = behaviour; }
void setCreateFailure(void (*thrower)()) { gCreateFailure = thrower; }

void* createObject(Call& report) {
  tCall = &report;
  void* object = mexCreateMexFunction(&onError);
  tCall = nullptr;
  return object;
}

void destroyObject(void* object) { mexDestroyMexFunction(object, &onError); }

Call callAdapter(const std::vector<matlab::abi::ArrayImpl*>& inputs, std::int32_t slots,
                 std::int64_t failAt, std::int32_t firstCount) {
  void* object = programObject();
  Call call;
  std::vector<matlab::abi::ArrayImpl*> given;
  for (matlab::abi::ArrayImpl* input : inputs) given.push_back(standin::sharedCopy(input));
  const standin::Live before = standin::live();
  const standin::Counts counts = standin::threadCounts();

  tCall = &call;
  gCounted = 0;
  gFailAt = failAt;
  gCallOperatorAllocations = 0;
  call.trace.reserve(1024);
  gTrace = &call.trace;
  gArmed = true;
  mexFunctionAdapter(firstCount, slots, static_cast<std::int32_t>(given.size()), given.data(), object,
                     &onOutput, &onError);
  gArmed = false;
  gTrace = nullptr;
  tCall = nullptr;
  call.allocations = gCounted;
  call.callOperatorAllocations = gCallOperatorAllocations;

  const standin::Counts delta = standin::threadCounts() - counts;
  const standin::Live after = standin::live();
  for (std::size_t i = 0; i < given.size(); ++i) {
    if (standin::isLive(given[i])) call.problems.push_back("input " + std::to_string(i) + " kept");
  }
  if (delta.invalidDestroys != 0) call.problems.push_back("invalid destroys");
  // Alive afterwards: the host's copies of the outputs; the inputs are gone.
  const std::int64_t kept = static_cast<std::int64_t>(call.outputs.size());
  if (after.arrays - before.arrays != kept - static_cast<std::int64_t>(given.size()))
    call.problems.push_back("arrays left alive: " + std::to_string(after.arrays - before.arrays));
  if (after.factories != before.factories) call.problems.push_back("factory left alive");
  if (after.references != before.references) call.problems.push_back("reference left alive");
  return call;
}

}  // namespace host_test

// The layer's own MEX function object.
matlab::mex::Function* matlab::mex::createMexFunction() {
  if (host_test::gCreateFailure != nullptr) host_test::gCreateFailure();
  return new host_test::TestFunction;
}

// Between the layer and libMatlabDataArray: every operation the layer gets
// runs inside the host scope.
extern "C" void* get_function_ptr(int index) {
  using namespace matlab::abi;
  using host_test::Scoped;
  void* host = host_test::realGetFunctionPtr()(index);
  switch (index) {
    case kCreateArrayWithDims: return Scoped<kCreateArrayWithDims, CreateArrayWithDimsFn>::wrap(host);
    case kCreateFactory: return Scoped<kCreateFactory, CreateFactoryFn>::wrap(host);
    case kDestroyFactory: return Scoped<kDestroyFactory, DestroyFactoryFn>::wrap(host);
    case kReferenceAddIndex: return Scoped<kReferenceAddIndex, ReferenceAddIndexFn>::wrap(host);
    case kDestroyReference: return Scoped<kDestroyReference, DestroyReferenceFn>::wrap(host);
    case kCreateDefaultArray: return Scoped<kCreateDefaultArray, CreateDefaultArrayFn>::wrap(host);
    case kDestroyArray: return Scoped<kDestroyArray, DestroyArrayFn>::wrap(host);
    case kGetArrayType: return Scoped<kGetArrayType, GetArrayTypeFn>::wrap(host);
    case kUnshareArray: return Scoped<kUnshareArray, UnshareArrayFn>::wrap(host);
    case kArrayGetReference: return Scoped<kArrayGetReference, ArrayGetReferenceFn>::wrap(host);
    case kCanViewAs: return Scoped<kCanViewAs, CanViewAsFn>::wrap(host);
    case kReferenceGetAddress: return Scoped<kReferenceGetAddress, ReferenceGetAddressFn>::wrap(host);
    case kReferenceAssign: return Scoped<kReferenceAssign, ReferenceAssignFn>::wrap(host);
    default: return host;
  }
}

void* operator new(std::size_t size) { return host_test::allocate(size); }
void* operator new[](std::size_t size) { return host_test::allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
