// data/array_factory.hpp — matlab::data::ArrayFactory, a handle on a host
// array factory, and the arrays it creates.
//
// Construction creates the host factory (data operation 14), destruction gives
// it back (15). createArray<double>(dims) has the host create a double array
// of those dimensions (1); the dimension list is the one allocation the caller
// makes for it, the new handle's reference count the other. (The layer keeps
// clear of std::vector and std::string, whose error paths would carry the
// C++ runtime's random-device and locale code into every MEX file.)
//
//   matlab::data::ArrayFactory factory;
//   matlab::data::TypedArray<double> m = factory.createArray<double>({4, 4});
#pragma once

#include <matlab/data/detail/function_ptr.hpp>
#include <matlab/data/detail/status.hpp>
#include <matlab/data/typed_array.hpp>
#include <matlab/host_abi.hpp>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <new>
#include <type_traits>

namespace matlab::data {

// A list of array dimensions on the heap, e.g. {4, 4}.
class ArrayDimensions {
 public:
  ArrayDimensions(std::initializer_list<std::size_t> dims)
      : size_(dims.size()),
        dims_(static_cast<std::size_t*>(::operator new(dims.size() * sizeof(std::size_t)))) {
    std::size_t i = 0;
    for (std::size_t d : dims) dims_[i++] = d;
  }
  ArrayDimensions(const ArrayDimensions&) = delete;
  ArrayDimensions& operator=(const ArrayDimensions&) = delete;
  ~ArrayDimensions() { ::operator delete(dims_); }

  const std::size_t* data() const noexcept { return dims_; }
  std::size_t size() const noexcept { return size_; }

 private:
  std::size_t size_;
  std::size_t* dims_;
};

class ArrayFactory {
 public:
  ArrayFactory() {
    destroyFunction();
    detail::throwIfError(detail::function<abi::kCreateFactory, abi::CreateFactoryFn>()(&factory_));
  }
  ArrayFactory(const ArrayFactory&) = delete;
  ArrayFactory& operator=(const ArrayFactory&) = delete;
  ~ArrayFactory() { destroyFunction()(factory_); }

  template <typename T>
  TypedArray<T> createArray(const ArrayDimensions& dims) {
    static_assert(std::is_same_v<std::size_t, std::uint64_t>, "dimensions cross as 64-bit sizes");
    detail::destroyArrayFunction();
    impl::ArrayImpl* created = nullptr;
    detail::throwIfError(detail::function<abi::kCreateArrayWithDims, abi::CreateArrayWithDimsFn>()(
        factory_, detail::TypeCode<T>::value, dims.data(), dims.size(), &created));
    return TypedArray<T>(created, typename TypedArray<T>::Adopt{});
  }

 private:
  static abi::DestroyFactoryFn destroyFunction() {
    return detail::function<abi::kDestroyFactory, abi::DestroyFactoryFn>();
  }

  impl::ArrayFactoryImpl* factory_ = nullptr;
};

}  // namespace matlab::data
