#include <armkin/pose.hpp>

#include "detail/exact_arithmetic.hpp"

namespace armkin {

// One named term per line, one entry per statement. C++ takes a * b * c as
// (a * b) * c and a - b + c as (a - b) + c, which is the grouping that fixes
// the bits; the parentheses written here are the ones that differ from that.
PoseMatrix computeEndEffectorPose(const JointTerms& t) noexcept {
  const double c1 = t.c1, c2 = t.c2, c4 = t.c4, c5 = t.c5, c6 = t.c6;
  const double s1 = t.s1, s2 = t.s2, s4 = t.s4, s5 = t.s5, s6 = t.s6;
  const double c23 = t.c23, s23 = t.s23;

  // Products used in more than one place.
  const double c23c1 = c23 * c1;
  const double c1s23 = c1 * s23;
  const double c5s23 = c5 * s23;
  const double s1c5s23 = s1 * c5s23;
  const double c4s23 = c4 * s23;
  const double s23x245 = 0.245 * s23;

  const double x1 = c4 * s1 + s4 * c23c1;
  const double x2 = s4 * s1 - c23c1 * c4;
  const double x3 = c5 * x1 + c1s23 * s5;
  const double y1 = c4 * c1 - c23 * s1 * s4;
  const double y2 = c4 * c23 * s1 + s4 * c1;
  const double y3 = c5 * y1 - s1 * s23 * s5;
  const double z1 = c23 * s5 - c5s23 * s4;

  // Every entry is written below, the fixed ones included.
  PoseMatrix T{detail::Uninitialized{}};
  T(1, 1) = -s6 * x3 - c6 * x2;
  T(1, 2) = s6 * x2 - c6 * x3;
  T(1, 3) = x1 * s5 - c1s23 * c5;
  // The 0.03 and 0.02 offsets act against each other but stay two products,
  // each in its own place in the chain; 0.01 * s1 rounds differently.
  T(1, 4) = T(1, 3) * 0.235 - x2 * 0.057 + 0.03 * s1 - 0.02 * s1 - 0.28 * c1 * s2 - s23x245 * c1;

  T(2, 1) = s6 * y3 + c6 * y2;
  T(2, 2) = y3 * c6 - s6 * y2;
  T(2, 3) = -s5 * y1 - s1c5s23;
  // The bracket is summed first, with the 0.03 term last in it; only then is
  // the 0.02 term added to it. Keep the bracket.
  T(2, 4) = c1 * 0.02 + (y2 * 0.057 - (s1c5s23 + y1 * s5) * 0.235 - 0.03 * c1) - 0.28 * s1 * s2 -
            s1 * s23x245;

  T(3, 1) = s6 * z1 + c6 * c4s23;
  T(3, 2) = z1 * c6 - s6 * c4s23;
  T(3, 3) = s4 * s23 * s5 + c5 * c23;
  // The base height is added to 0.28 * c2 by itself, before the chain.
  T(3, 4) = T(3, 3) * 0.235 + (0.28 * c2 + 0.2433) + 0.245 * c23 + s23 * 0.057 * c4;

  T(4, 1) = 0.0;
  T(4, 2) = 0.0;
  T(4, 3) = 0.0;
  T(4, 4) = 1.0;
  return T;
}

PoseMatrix computeEndEffectorPose(const JointVector& q) noexcept {
  return computeEndEffectorPose(computeJointTerms(q));
}

}  // namespace armkin
