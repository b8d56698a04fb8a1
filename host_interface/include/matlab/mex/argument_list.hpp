// mex/argument_list.hpp — matlab::mex::ArgumentList, the outputs or the
// inputs of one call.
//
// A run [start, end) of matlab::data::Array handles in a list that the call
// adapter owns for the call, plus the size the host reported for it. Writing
// an element writes the adapter's list. Indexing is bounded by the run, not by
// the reported size: an index at or past end - start throws
// matlab::engine::Exception "ArgumentList index out of range.".
//
//   matlab::data::Array& first = inputs[0];   // throws when there are no inputs
//   outputs[0] = result;                       // the slot now shares `result`
#pragma once

#include <matlab/data/array.hpp>
#include <matlab/engine/exception.hpp>

#include <cstddef>

namespace matlab::mex {

class ArgumentList {
 public:
  using iterator = data::Array*;

  ArgumentList(iterator start, iterator end, std::size_t size) noexcept
      : start_(start), end_(end), size_(size) {}

  data::Array& operator[](std::size_t index) const {
    if (index >= static_cast<std::size_t>(end_ - start_)) {
      throw engine::Exception("ArgumentList index out of range.");
    }
    return start_[index];
  }

  // The size the host reported, which need not be the run's length.
  std::size_t size() const noexcept { return size_; }
  iterator begin() const noexcept { return start_; }
  iterator end() const noexcept { return end_; }

 private:
  iterator start_;
  iterator end_;
  std::size_t size_;
};

}  // namespace matlab::mex
