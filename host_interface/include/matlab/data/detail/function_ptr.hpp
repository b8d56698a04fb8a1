// data/detail/function_ptr.hpp — the one-time lookup of host data operations.
//
// function<Index, Fn>() returns the host's function for data operation
// `Index`, asked of get_function_ptr on first use and kept for the life of
// the module. The lookup is a function-local static, so concurrent first
// calls are safe and only one of them asks the host. When the host library
// has no entry for the index it throws the array exception of type 22,
// "This feature requires R2018a" (the release that introduced every
// operation used here); nothing is kept then, and the next use asks again.
//
//   auto createFactory = function<abi::kCreateFactory, abi::CreateFactoryFn>();
#pragma once

#include <matlab/host_abi.hpp>

namespace matlab::data::detail {

// get_function_ptr(index), or the type-22 exception when it answers null.
void* resolveFunction(int index);

template <int Index, typename Fn>
Fn function() {
  static const Fn fn = reinterpret_cast<Fn>(resolveFunction(Index));
  return fn;
}

}  // namespace matlab::data::detail
