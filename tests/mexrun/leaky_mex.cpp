// A deliberately faulty MEX file for mexrun's tests, written straight against
// the host's binary contract. What it does depends on the number of inputs:
//   none    reports an error with an identifier;
//   one     hands back default arrays but never gives its input back;
//   two     gives input 0 back twice, input 1 once.
// Every output slot gets a default array from operation 49, destroyed after
// the output callback, as a sound adapter does. Built with
// MEXRUN_FIXTURE_WITHOUT_ADAPTER it lacks mexFunctionAdapter.
#include <matlab/host_abi.hpp>

#include <cstdint>
#include <vector>

#include "hand_written_lifecycle.hpp"

namespace {

namespace abi = matlab::abi;

template <typename Fn>
Fn operation(abi::Operation index) {
  return reinterpret_cast<Fn>(get_function_ptr(index));
}

}  // namespace

extern "C" {

#if !defined(MEXRUN_FIXTURE_WITHOUT_ADAPTER)
MATLAB_HOST_EXPORT void mexFunctionAdapter(std::int32_t, std::int32_t slotCount, std::int32_t inputCount,
                                           abi::ArrayImpl** inputs, void*, abi::OutputCallback output,
                                           abi::ErrorCallback error) {
  const auto destroy = operation<abi::DestroyArrayFn>(abi::kDestroyArray);
  if (inputCount == 0) {
    error("The fixture failed on purpose.", "mexrun:fixture");
    return;
  }
  std::vector<abi::ArrayImpl*> slots(static_cast<std::size_t>(slotCount), nullptr);
  for (abi::ArrayImpl*& slot : slots) slot = operation<abi::CreateDefaultArrayFn>(abi::kCreateDefaultArray)();
  output(slotCount, slots.data());
  for (abi::ArrayImpl* slot : slots) destroy(slot);
  if (inputCount == 1) return;  // input 0 never given back
  destroy(inputs[0]);
  destroy(inputs[0]);
  for (std::int32_t i = 1; i < inputCount; ++i) destroy(inputs[i]);
}
#endif

MATLAB_HOST_EXPORT void mexFunction(int, void**, int, const void**) {}

}  // extern "C"
