// armkin/matrix.hpp — a fixed-size square matrix of doubles, held by value.
//
// Contract:
//   - Matrix<N> holds N×N doubles inline (no heap), every entry +0 on
//     construction.
//   - Entries are addressed 1-based, M(r, c) for r, c in 1 … N, as the
//     kinematics formulas write them; M(r, c) is the 0-based element
//     [r − 1][c − 1].
//   - data() is row-major: M(r, c) is data()[(r − 1) * N + (c − 1)], so
//     data() walks row 1 left to right, then row 2, and so on.
//
//   armkin::Matrix<4> m;          // all +0
//   m(4, 4) = 1.0;
//   const double* row_major = m.data();
#pragma once

#include <array>
#include <cassert>
#include <cstddef>

namespace armkin {

namespace detail {
// Construction that leaves the entries unset, for code that writes every
// entry itself (the kinematics, where zeroing first would cost time).
struct Uninitialized {};
}  // namespace detail

template <int N>
class Matrix {
  static_assert(N > 0, "a matrix has at least one row");

 public:
  static constexpr int kRows = N;
  static constexpr int kCols = N;
  static constexpr std::size_t kEntries = static_cast<std::size_t>(N) * N;

  constexpr Matrix() noexcept : entries_{} {}
  explicit Matrix(detail::Uninitialized) noexcept {}

  // Entry in row r and column c, both counted from 1.
  constexpr double& operator()(int r, int c) noexcept { return entries_[index(r, c)]; }
  constexpr double operator()(int r, int c) const noexcept { return entries_[index(r, c)]; }

  // The N*N entries in row-major order.
  double* data() noexcept { return entries_.data(); }
  const double* data() const noexcept { return entries_.data(); }

 private:
  static constexpr std::size_t index(int r, int c) noexcept {
    assert(r >= 1 && r <= N && c >= 1 && c <= N);
    return static_cast<std::size_t>(r - 1) * N + static_cast<std::size_t>(c - 1);
  }

  std::array<double, kEntries> entries_;
};

}  // namespace armkin
