// mex_library.cpp — libmex of the stand-in host: the function handles that a
// MEX file's function object holds. The handles and their counters live in
// libMatlabDataArray beside the other host state.
#include "state.hpp"

#include <matlab/host_abi.hpp>

// A fresh counted handle; throws std::runtime_error when a failure is
// injected, as a host whose handle cannot be made would.
extern "C" MATLAB_HOST_MEX_API void* mexGetFunctionImpl() { return standin::detail::newFunctionHandle(); }

// 0 when `functionImpl` is a handle handed out and not yet given back;
// non-zero otherwise (counted as an invalid destroy, nothing freed). Throws
// std::runtime_error when a failure is injected, once the handle is back.
extern "C" MATLAB_HOST_MEX_API int mexDestroyFunctionImpl(void* functionImpl) {
  return standin::detail::destroyFunctionHandle(functionImpl);
}
