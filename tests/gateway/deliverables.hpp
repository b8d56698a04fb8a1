// deliverables.hpp — the two built MEX files as the gateway tests see them:
// their paths (from the command line), result size and the kinematics
// library's answer, column-major as the host stores it.
#pragma once

#include <armkin/jacobian.hpp>
#include <armkin/joint_vector.hpp>
#include <armkin/matrix.hpp>
#include <armkin/pose.hpp>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace gateway_test {

// The host's column-major layout of a result matrix, as bit patterns, so that
// NaN entries compare too.
template <int N>
std::vector<std::uint64_t> columnMajorBits(const armkin::Matrix<N>& m) {
  std::vector<std::uint64_t> bits;
  for (int c = 1; c <= N; ++c) {
    for (int r = 1; r <= N; ++r) {
      const double v = m(r, c);
      std::uint64_t b = 0;
      std::memcpy(&b, &v, sizeof b);
      bits.push_back(b);
    }
  }
  return bits;
}

inline std::vector<std::uint64_t> bitsOf(const std::vector<double>& values) {
  std::vector<std::uint64_t> bits(values.size());
  if (!values.empty()) std::memcpy(bits.data(), values.data(), values.size() * sizeof(double));
  return bits;
}

struct Deliverable {
  const char* name;
  std::string path;
  int size;  // rows = columns of the result
  std::vector<std::uint64_t> (*expected)(const armkin::JointVector&);
};

inline std::vector<std::uint64_t> expectedPose(const armkin::JointVector& q) {
  return columnMajorBits(armkin::computeEndEffectorPose(q));
}
inline std::vector<std::uint64_t> expectedJacobian(const armkin::JointVector& q) {
  return columnMajorBits(armkin::computeGeometricJacobian(q));
}

// Set by main from argv: armpose's file, then armvelmap's.
std::vector<Deliverable>& deliverables();

}  // namespace gateway_test
