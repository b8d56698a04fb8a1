// data/detail/function_ptr.hpp — the one-time lookup of host data operations.
//
// function<Index, Fn>() returns the host's function for data operation
// `Index`, asked of get_function_ptr on first use and kept for the life of
// the module. Concurrent first calls are safe and only one of them asks the
// host. When the host library has no entry for the index it throws the array
// exception of type 22, "This feature requires R2018a" (the release that
// introduced every operation used here); nothing is kept then, and the next
// use asks again.
//
//   auto createFactory = function<abi::kCreateFactory, abi::CreateFactoryFn>();
#pragma once

#include <matlab/host_abi.hpp>

#include <atomic>
#include <thread>

namespace matlab::data::detail {

// get_function_ptr(index), or the type-22 exception when it answers null.
void* resolveFunction(int index);

// The lookup is kept in a std::atomic, not in a function-local static with
// a dynamic initialiser: the static below is constant-initialised, so it
// needs no guard variable and no call into the C++ runtime's
// __cxa_guard_acquire. That guard, linked into a MEX file from GCC 12's
// static libstdc++, reads glibc's __libc_single_threaded and would make the
// file need GLIBC_2.32, which older Linux systems do not have; std::mutex
// would pull in the runtime's exception throwers, which need even newer
// symbols. The slot is null (not looked up), busy (one thread is asking the
// host; the others yield until it is done) or the function.
inline void* lookUpOnce(std::atomic<void*>& slot, int index) {
  void* const busy = &slot;  // never the address of a function
  void* fn = slot.load(std::memory_order_acquire);
  while (fn == nullptr || fn == busy) {
    if (fn == nullptr) {
      if (slot.compare_exchange_weak(fn, busy, std::memory_order_acquire)) {
        try {
          fn = resolveFunction(index);
        } catch (...) {
          slot.store(nullptr, std::memory_order_release);  // nothing kept: the next use asks again
          throw;
        }
        slot.store(fn, std::memory_order_release);
      }
    } else {
      std::this_thread::yield();
      fn = slot.load(std::memory_order_acquire);
    }
  }
  return fn;
}

template <int Index, typename Fn>
Fn function() {
  static std::atomic<void*> slot{nullptr};
  void* fn = slot.load(std::memory_order_acquire);
  if (fn == nullptr || fn == &slot) fn = lookUpOnce(slot, Index);
  return reinterpret_cast<Fn>(fn);
}

}  // namespace matlab::data::detail
