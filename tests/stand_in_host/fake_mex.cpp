// fake_mex.cpp — small MEX files for the loader's own tests, written against
// the binary contract alone. Built once per FAKE_MEX_* variant:
//   FAKE_MEX_GOOD            a correct MEX file (output slot 0: a 1x1 double
//                            holding the input count; further slots: default
//                            arrays; no input: an error with an identifier)
//   FAKE_MEX_LEAKS_INPUT     never gives its last input back
//   FAKE_MEX_DESTROYS_TWICE  gives input 0 back twice
//   FAKE_MEX_NO_CLASSIC      lacks the classic gateway mexFunction
//   FAKE_MEX_GIVES_BACK_EARLY  correct, but gives its inputs back before it
//                            hands the outputs over, so the host's copies of
//                            the outputs may take the inputs' addresses
#include "hand_written_lifecycle.hpp"

#include <matlab/host_abi.hpp>

#include <cstdint>
#include <vector>

namespace mx = matlab::abi;

namespace {

template <typename Fn>
Fn op(mx::Operation index) {
  return reinterpret_cast<Fn>(get_function_ptr(index));
}

// A new 1x1 double holding `value`, or null.
mx::ArrayImpl* scalar(double value) {
  mx::ArrayFactoryImpl* factory = nullptr;
  if (op<mx::CreateFactoryFn>(mx::kCreateFactory)(&factory) != 0) return nullptr;
  const std::uint64_t dims[2] = {1, 1};
  mx::ArrayImpl* array = nullptr;
  if (op<mx::CreateArrayWithDimsFn>(mx::kCreateArrayWithDims)(factory, mx::kDouble, dims, 2, &array) == 0) {
    mx::ReferenceImpl* ref = nullptr;
    if (op<mx::ArrayGetReferenceFn>(mx::kArrayGetReference)(array, 0, &ref) == 0) {
      op<mx::ReferenceAddIndexFn>(mx::kReferenceAddIndex)(ref, 0);
      op<mx::ReferenceAssignFn>(mx::kReferenceAssign)(ref, mx::kDouble, &value);
      op<mx::DestroyReferenceFn>(mx::kDestroyReference)(ref);
    }
  }
  op<mx::DestroyFactoryFn>(mx::kDestroyFactory)(factory);
  return array;
}

}  // namespace

extern "C" MATLAB_HOST_EXPORT void mexFunctionAdapter(std::int32_t, std::int32_t slotCount, std::int32_t inputCount,
                                                      mx::ArrayImpl** inputs, void*, mx::OutputCallback output,
                                                      mx::ErrorCallback error) {
  const auto destroy = op<mx::DestroyArrayFn>(mx::kDestroyArray);
  if (inputCount == 0) {
    error("fake: no input", "fake:noInput");
    return;
  }
  std::vector<mx::ArrayImpl*> slots;
  for (std::int32_t i = 0; i < slotCount; ++i) {
    mx::ArrayImpl* a = nullptr;
    if (i == 0) {
      a = scalar(static_cast<double>(inputCount));
    } else {
      a = op<mx::CreateDefaultArrayFn>(mx::kCreateDefaultArray)();
    }
    slots.push_back(a);
  }
  std::int32_t given = inputCount;
#if defined(FAKE_MEX_LEAKS_INPUT)
  --given;
#endif
#if defined(FAKE_MEX_GIVES_BACK_EARLY)
  for (std::int32_t i = 0; i < given; ++i) destroy(inputs[i]);
#endif
  output(slotCount, slots.data());
  for (mx::ArrayImpl* a : slots) destroy(a);
#if !defined(FAKE_MEX_GIVES_BACK_EARLY)
  for (std::int32_t i = 0; i < given; ++i) destroy(inputs[i]);
#endif
#if defined(FAKE_MEX_DESTROYS_TWICE)
  destroy(inputs[0]);
#endif
}

#if !defined(FAKE_MEX_NO_CLASSIC)
extern "C" MATLAB_HOST_EXPORT void mexFunction(int, void**, int, const void**) {}
#endif
