// state.hpp — what libMatlabDataArray shares with libmex inside the stand-in
// host: the function-handle registry, which lives beside the other counters.
#pragma once

#include <standin/host.hpp>

namespace standin::detail {

// A new function handle for mexGetFunctionImpl, counted; throws
// std::runtime_error(kGetFunctionImplFailure) when that failure is injected.
STANDIN_HOST_API void* newFunctionHandle();
// Gives a handle back; 0 when it was live, non-zero (and an invalid destroy
// counted) otherwise. Throws std::runtime_error(kDestroyFunctionImplFailure),
// after taking the handle back, when that failure is injected.
STANDIN_HOST_API int destroyFunctionHandle(void* handle);

}  // namespace standin::detail
