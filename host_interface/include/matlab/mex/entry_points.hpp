// mex/entry_points.hpp — the five entry points a MEX file exports, and the
// translation of failures for the host.
//
// Every MEX file built with add_mex_function carries these (from
// host_interface/src/entry_points.cpp) and exports nothing else. None of them
// lets an exception out: a failure is handed to the host's error callback as
// a message and an identifier, exactly once.
//
//  mexCreateMexFunction      a new object from createMexFunction(); null and
//                            one error report if that throws.
//  mexFunctionAdapter        one call: wraps the inputs, creates the output
//                            slots (data operation 49 each), runs the call
//                            operator through its virtual slot, hands the
//                            slots' raw handles to the output callback on
//                            success, then releases the slots and the inputs.
//                            A failure of the call operator is reported before
//                            anything is released; a failure around it
//                            (wrapping, creating slots, handing back) after
//                            everything is released, message and empty
//                            identifier (no array from operation 49 is
//                            std::bad_alloc). Either way the output callback is not
//                            called and every input is given back once.
//  mexDestroyMexFunction     deletes the object; null does nothing. An
//                            exception from libmex's mexDestroyFunctionImpl
//                            is reported once; the storage is freed anyway.
//  mexfilerequiredapiversion stores 0x2024A and 0.
//  mexFunction               the classic gateway name; does nothing.
#pragma once

#include <matlab/host_abi.hpp>

#include <cstdint>

#define MATLAB_MEX_EXPORT extern "C" MATLAB_HOST_EXPORT

namespace matlab::mex {

// Reports the exception being handled through `onError`, caught as the first
// of: engine::MATLABException (message, identifier), engine::Exception,
// matlab::Exception, std::exception (message, empty identifier), anything
// else ("Unknown exception thrown.", empty identifier). Call only from inside
// a catch handler. A null callback receives nothing.
void reportException(abi::ErrorCallback onError) noexcept;

}  // namespace matlab::mex

MATLAB_MEX_EXPORT void* mexCreateMexFunction(matlab::abi::ErrorCallback onError);
MATLAB_MEX_EXPORT void mexFunctionAdapter(std::int32_t firstCount, std::int32_t slotCount,
                                          std::int32_t inputCount,
                                          matlab::abi::ArrayImpl** inputs, void* object,
                                          matlab::abi::OutputCallback onOutput,
                                          matlab::abi::ErrorCallback onError);
MATLAB_MEX_EXPORT void mexDestroyMexFunction(void* object, matlab::abi::ErrorCallback onError);
MATLAB_MEX_EXPORT void mexfilerequiredapiversion(std::uint32_t* release, std::uint32_t* api);
MATLAB_MEX_EXPORT void mexFunction(int outputCount, void** outputs, int inputCount,
                                   const void** inputs);
