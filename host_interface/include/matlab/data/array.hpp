// data/array.hpp — matlab::data::Array, a shared handle on one host array.
//
// An Array owns a raw host array handle (matlab::data::impl::ArrayImpl*)
// together with every copy of it, through one reference count that changes
// atomically. Copying shares the array; when the last Array of a raw handle
// is released, the handle is given back to the host (data operation 50).
// A moved-from Array is empty and releases nothing.
//
// Allocation: adopting a raw handle allocates its reference count; copies,
// moves and releases allocate nothing.
//
//   matlab::data::Array slot;            // a new default host array (op 49)
//   matlab::data::Array input(raw);      // owns `raw` from here on
//   slot = input;                        // both share `raw`; the default
//                                        // array is given back
#pragma once

#include <matlab/data/detail/function_ptr.hpp>
#include <matlab/data/detail/status.hpp>
#include <matlab/host_abi.hpp>

#include <atomic>
#include <cstddef>
#include <new>
#include <utility>

namespace matlab::data {

namespace detail {
struct ArrayAccess;
}

class Array {
 public:
  // A new default host array (data operation 49). Throws std::bad_alloc
  // when the host answers with no array, the type-22 exception when the host
  // lacks operation 49 or 50.
  Array();
  // Takes ownership of `adopted`. If the reference count cannot be
  // allocated, `adopted` is given back before std::bad_alloc leaves; if the
  // host has no destroy operation, the type-22 exception leaves before
  // anything is owned.
  explicit Array(impl::ArrayImpl* adopted);

  Array(const Array& other) noexcept : impl_(other.impl_), count_(other.count_) {
    if (count_ != nullptr) count_->fetch_add(1, std::memory_order_relaxed);
  }
  Array(Array&& other) noexcept
      : impl_(std::exchange(other.impl_, nullptr)), count_(std::exchange(other.count_, nullptr)) {}
  Array& operator=(const Array& other) noexcept {
    Array copy(other);
    swap(copy);
    return *this;
  }
  Array& operator=(Array&& other) noexcept {
    Array taken(std::move(other));
    swap(taken);
    return *this;
  }
  ~Array() { release(); }

  void swap(Array& other) noexcept {
    std::swap(impl_, other.impl_);
    std::swap(count_, other.count_);
  }

 protected:
  impl::ArrayImpl* impl() const noexcept { return impl_; }
  // Whether this handle is the only owner of its raw handle.
  bool unique() const noexcept {
    return count_ != nullptr && count_->load(std::memory_order_acquire) == 1;
  }

 private:
  friend struct detail::ArrayAccess;
  using Count = std::atomic<std::size_t>;

  void release() noexcept;

  impl::ArrayImpl* impl_ = nullptr;
  Count* count_ = nullptr;
};

namespace detail {
// For the host boundary: the raw handle an Array holds.
struct ArrayAccess {
  static impl::ArrayImpl* impl(const Array& array) noexcept { return array.impl_; }
};

// Data operation 50; resolving it first makes sure what is adopted can be given back.
inline abi::DestroyArrayFn destroyArrayFunction() {
  return function<abi::kDestroyArray, abi::DestroyArrayFn>();
}
}  // namespace detail

inline Array::Array(impl::ArrayImpl* adopted) {
  abi::DestroyArrayFn destroy = detail::destroyArrayFunction();
  try {
    count_ = new Count(1);
  } catch (...) {
    destroy(adopted);
    throw;
  }
  impl_ = adopted;
}

inline Array::Array() {
  detail::destroyArrayFunction();
  impl::ArrayImpl* created = detail::function<abi::kCreateDefaultArray, abi::CreateDefaultArrayFn>()();
  // Operation 49 has no status: a host that cannot make the array answers null.
  if (created == nullptr) throw std::bad_alloc();
  Array adopted(created);
  swap(adopted);
}

inline void Array::release() noexcept {
  if (count_ != nullptr && count_->fetch_sub(1, std::memory_order_acq_rel) == 1) {
    delete count_;
    // Resolved when the handle was adopted, so this cannot throw.
    detail::destroyArrayFunction()(impl_);
  }
  impl_ = nullptr;
  count_ = nullptr;
}

}  // namespace matlab::data
