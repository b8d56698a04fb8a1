// The fixed table of joint angles every benchmark walks through: 1024 varied
// angle sets, the same in every run, so that no benchmark measures one
// repeated input.
#pragma once

#include <armkin/joint_vector.hpp>

#include <array>
#include <cstddef>
#include <random>

namespace armkin::bench {

constexpr std::size_t kAngleSets = 1024;

inline const std::array<JointVector, kAngleSets>& angleTable() {
  static const std::array<JointVector, kAngleSets> table = [] {
    std::array<JointVector, kAngleSets> t{};
    std::mt19937_64 rng(1024);
    std::uniform_real_distribution<double> u(-3.141592653589793, 3.141592653589793);
    for (JointVector& q : t) q = JointVector{u(rng), u(rng), u(rng), u(rng), u(rng), u(rng)};
    return t;
  }();
  return table;
}

inline std::size_t nextAngleSet(std::size_t i) { return (i + 1) % kAngleSets; }

}  // namespace armkin::bench
