// matlab::mex::Function: the host function handle from libmex.
#include <matlab/host_abi.hpp>
#include <matlab/mex/function.hpp>

namespace matlab::mex {

Function::Function() : functionImpl_(mexGetFunctionImpl()) {}

Function::~Function() noexcept(false) { static_cast<void>(mexDestroyFunctionImpl(functionImpl_)); }

void Function::operator()(ArgumentList, ArgumentList) {}

}  // namespace matlab::mex
