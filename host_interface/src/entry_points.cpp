// The five entry points of a MEX file and the call adapter.
//
// No exception leaves an entry point. The call operator's failures are
// reported while the call's arrays are still held, then everything is
// released; a failure around the call operator (wrapping the inputs,
// creating the output slots, handing the outputs back) is caught at the
// entry point once everything is released, and reported the same way.
#include <matlab/data/array.hpp>
#include <matlab/engine/exception.hpp>
#include <matlab/host_abi.hpp>
#include <matlab/mex/argument_list.hpp>
#include <matlab/mex/entry_points.hpp>
#include <matlab/mex/function.hpp>

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace {

using matlab::abi::ArrayImpl;
using matlab::data::Array;

std::size_t countOf(std::int32_t count) {
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

// A list of Array handles with room for a fixed number, filled in order.
class HandleList {
 public:
  explicit HandleList(std::size_t capacity)
      : begin_(static_cast<Array*>(::operator new(capacity * sizeof(Array)))), end_(begin_) {}
  HandleList(const HandleList&) = delete;
  HandleList& operator=(const HandleList&) = delete;
  // Releases the handles in order, first to last.
  ~HandleList() {
    for (Array* a = begin_; a != end_; ++a) a->~Array();
    ::operator delete(begin_);
  }

  template <typename... Args>
  void append(Args&&... args) {
    ::new (static_cast<void*>(end_)) Array(std::forward<Args>(args)...);
    ++end_;
  }
  Array* begin() const noexcept { return begin_; }
  Array* end() const noexcept { return end_; }

 private:
  Array* begin_;
  Array* end_;
};

// The raw handles handed to the output callback.
class RawList {
 public:
  explicit RawList(std::size_t count)
      : data_(static_cast<ArrayImpl**>(::operator new(count * sizeof(ArrayImpl*)))) {}
  RawList(const RawList&) = delete;
  RawList& operator=(const RawList&) = delete;
  ~RawList() { ::operator delete(data_); }
  ArrayImpl** data() const noexcept { return data_; }

 private:
  ArrayImpl** data_;
};

// Gives back raw handles that no Array adopted, as far as the host allows.
void giveBack(ArrayImpl* const* raw, std::size_t count) noexcept {
  if (count == 0) return;
  try {
    matlab::abi::DestroyArrayFn destroy = matlab::data::detail::destroyArrayFunction();
    for (std::size_t i = 0; i < count; ++i) destroy(raw[i]);
  } catch (...) {
    // No destroy operation: nothing can be given back.
  }
}

// One Array per input, in order, in a list with room for exactly `count`.
// On failure every input not yet adopted is given back before the exception
// leaves (an adopted one is given back by its Array).
void wrapInputs(HandleList& inputs, ArrayImpl* const* raw, std::size_t count) {
  std::size_t next = 0;
  try {
    while (next < count) {
      ArrayImpl* input = raw[next++];
      inputs.append(input);
    }
  } catch (...) {
    giveBack(raw + next, count - next);
    throw;
  }
}

HandleList makeInputList(ArrayImpl* const* raw, std::size_t count) try {
  return HandleList(count);
} catch (...) {
  giveBack(raw, count);
  throw;
}

void runCall(std::int32_t firstCount, std::int32_t slotCount, std::int32_t inputCount,
             ArrayImpl** rawInputs, void* object, matlab::abi::OutputCallback onOutput,
             matlab::abi::ErrorCallback onError) {
  const std::size_t slots = countOf(slotCount);
  const std::size_t given = rawInputs != nullptr ? countOf(inputCount) : 0;

  HandleList inputs = makeInputList(rawInputs, given);
  wrapInputs(inputs, rawInputs, given);
  HandleList outputs(slots);
  for (std::size_t i = 0; i < slots; ++i) outputs.append();
  if (object == nullptr) throw matlab::engine::Exception("No MEX function object.");
  auto& function = *static_cast<matlab::mex::Function*>(object);

  matlab::mex::ArgumentList outputList(outputs.begin(), outputs.end(), countOf(firstCount));
  matlab::mex::ArgumentList inputList(inputs.begin(), inputs.end(), given);
  try {
    function(outputList, inputList);
  } catch (...) {
    matlab::mex::reportException(onError);
    return;  // releases the output slots, then the inputs
  }

  RawList handed(slots);
  for (std::size_t i = 0; i < slots; ++i) {
    handed.data()[i] = matlab::data::detail::ArrayAccess::impl(outputs.begin()[i]);
  }
  if (onOutput != nullptr) onOutput(static_cast<std::int32_t>(slots), handed.data());
}  // frees the handed list, releases the output slots, then the inputs

}  // namespace

MATLAB_MEX_EXPORT void* mexCreateMexFunction(matlab::abi::ErrorCallback onError) {
  try {
    return static_cast<void*>(matlab::mex::createMexFunction());
  } catch (...) {
    matlab::mex::reportException(onError);
    return nullptr;
  }
}

MATLAB_MEX_EXPORT void mexFunctionAdapter(std::int32_t firstCount, std::int32_t slotCount,
                                          std::int32_t inputCount, ArrayImpl** inputs,
                                          void* object, matlab::abi::OutputCallback onOutput,
                                          matlab::abi::ErrorCallback onError) {
  try {
    runCall(firstCount, slotCount, inputCount, inputs, object, onOutput, onError);
  } catch (...) {
    matlab::mex::reportException(onError);
  }
}

MATLAB_MEX_EXPORT void mexDestroyMexFunction(void* object, matlab::abi::ErrorCallback onError) {
  if (object == nullptr) return;
  try {
    delete static_cast<matlab::mex::Function*>(object);
  } catch (...) {
    matlab::mex::reportException(onError);
  }
}

MATLAB_MEX_EXPORT void mexfilerequiredapiversion(std::uint32_t* release, std::uint32_t* api) {
  if (release != nullptr) *release = 0x2024A;
  if (api != nullptr) *api = 0;
}

MATLAB_MEX_EXPORT void mexFunction(int, void**, int, const void**) {}
