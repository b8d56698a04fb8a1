// data/typed_array.hpp — matlab::data::TypedArray<double>, an Array that the
// host has accepted as a view with double elements, and its element
// references.
//
// Viewing an Array shares it and asks the host for its type (data operation
// 53) and whether that type may be viewed as double (59); a refusal throws
// the type-9 array exception "Can't convert the Array to this TypedArray".
// Nothing about shape or size is checked: an element outside the array is
// refused by the host when it is referenced.
//
// Element access goes through a writable view. view[r][c] first has the host
// make the view's array unshared (55), switching the view to the private copy
// when the host makes one, then references element r (56), adds index c (16)
// and yields a temporary ArrayElementRef that reads (93) or assigns (95) the
// element and gives the reference back (23) at the end of the expression.
// Every step's non-zero status throws (detail/status.hpp).
//
//   matlab::data::TypedArray<double> q = inputs[0];
//   double q1 = q[0][0];
//   result[0][3] = 0.5;
#pragma once

#include <matlab/data/array.hpp>
#include <matlab/data/array_exception.hpp>
#include <matlab/data/detail/function_ptr.hpp>
#include <matlab/data/detail/status.hpp>
#include <matlab/host_abi.hpp>

#include <cstddef>
#include <cstring>
#include <utility>

namespace matlab::data {

class ArrayFactory;

namespace detail {
template <typename T>
struct TypeCode;
template <>
struct TypeCode<double> {
  static constexpr std::int32_t value = abi::kDouble;
};

inline abi::DestroyReferenceFn destroyReferenceFunction() {
  return function<abi::kDestroyReference, abi::DestroyReferenceFn>();
}
}  // namespace detail

// A host reference to one element, owned for the length of one access.
template <typename T>
class ArrayElementRef {
 public:
  ArrayElementRef(ArrayElementRef&& other) noexcept
      : reference_(std::exchange(other.reference_, nullptr)) {}
  ArrayElementRef(const ArrayElementRef&) = delete;
  ArrayElementRef& operator=(const ArrayElementRef&) = delete;
  ArrayElementRef& operator=(ArrayElementRef&&) = delete;
  ~ArrayElementRef() {
    if (reference_ != nullptr) detail::destroyReferenceFunction()(reference_);
  }

  // Adds the next index (data operation 16).
  ArrayElementRef operator[](std::size_t index) && {
    detail::throwIfError(
        detail::function<abi::kReferenceAddIndex, abi::ReferenceAddIndexFn>()(reference_, index));
    return std::move(*this);
  }

  // Reads the element (data operation 93).
  operator T() const {
    void* address = nullptr;
    detail::throwIfError(detail::function<abi::kReferenceGetAddress, abi::ReferenceGetAddressFn>()(
        reference_, &address));
    T value;
    std::memcpy(&value, address, sizeof value);
    return value;
  }

  // Assigns the element (data operation 95).
  ArrayElementRef& operator=(T value) & {
    assign(value);
    return *this;
  }
  void operator=(T value) && { assign(value); }

 private:
  template <typename>
  friend class TypedArray;

  // References element `index` of `array` (data operation 56).
  ArrayElementRef(impl::ArrayImpl* array, std::size_t index) {
    detail::destroyReferenceFunction();
    detail::throwIfError(detail::function<abi::kArrayGetReference, abi::ArrayGetReferenceFn>()(
        array, index, &reference_));
  }

  void assign(T value) {
    detail::throwIfError(detail::function<abi::kReferenceAssign, abi::ReferenceAssignFn>()(
        reference_, detail::TypeCode<T>::value, &value));
  }

  impl::ReferenceImpl* reference_ = nullptr;
};

template <typename T>
class TypedArray : public Array {
 public:
  // Views `array`: shares it, then checks its type with the host.
  TypedArray(const Array& array) : Array(array) {  // NOLINT: implicit, as in `TypedArray<double> v = inputs[0];`
    std::int32_t actual = 0;
    detail::throwIfError(
        detail::function<abi::kGetArrayType, abi::GetArrayTypeFn>()(impl(), &actual));
    bool viewable = false;
    detail::throwIfError(detail::function<abi::kCanViewAs, abi::CanViewAsFn>()(
        detail::TypeCode<T>::value, actual, &viewable));
    if (!viewable) {
      throw detail::ArrayException<matlab::Exception, ExceptionType::ArrayTypeMismatch>(
          "Can't convert the Array to this TypedArray");
    }
  }

  // Element `row` of the first index; add the second with [column].
  ArrayElementRef<T> operator[](std::size_t row) {
    unshare();
    return ArrayElementRef<T>(impl(), row);
  }

 private:
  friend class ArrayFactory;
  struct Adopt {};
  // A new array that the host made with element type T: no check needed.
  TypedArray(impl::ArrayImpl* created, Adopt) : Array(created) {}

  // Data operation 55: the host may answer with a private copy, which this
  // view then holds instead of its shared array.
  void unshare() {
    impl::ArrayImpl* copy = nullptr;
    if (detail::function<abi::kUnshareArray, abi::UnshareArrayFn>()(impl(), unique(), &copy)) {
      Array adopted(copy);
      Array::operator=(std::move(adopted));
    }
  }
};

}  // namespace matlab::data
