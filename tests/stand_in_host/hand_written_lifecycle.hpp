// hand_written_lifecycle.hpp — the entry points around the calls of a small
// MEX file written by hand against the binary contract alone: the object
// holding its libmex function handle, made and destroyed, and the version
// query. Include it in exactly one source of such a file, which then defines
// mexFunctionAdapter (and mexFunction, the classic gateway, unless it leaves
// it out on purpose).
#pragma once

#include <matlab/host_abi.hpp>

#include <cstdint>
#include <exception>

namespace hand_written {
struct Object {
  void* function;
};
}  // namespace hand_written

extern "C" MATLAB_HOST_EXPORT void* mexCreateMexFunction(matlab::abi::ErrorCallback error) {
  try {
    return new hand_written::Object{mexGetFunctionImpl()};
  } catch (const std::exception& e) {
    error(e.what(), "");
  } catch (...) {
    error("Unknown exception thrown.", "");
  }
  return nullptr;
}

extern "C" MATLAB_HOST_EXPORT void mexDestroyMexFunction(void* object, matlab::abi::ErrorCallback) {
  if (object == nullptr) return;
  auto* o = static_cast<hand_written::Object*>(object);
  mexDestroyFunctionImpl(o->function);
  delete o;
}

extern "C" MATLAB_HOST_EXPORT void mexfilerequiredapiversion(std::int32_t* first, std::int32_t* second) {
  *first = 0x2024A;
  *second = 0;
}
