#include <armkin/jacobian.hpp>

#include "detail/exact_arithmetic.hpp"

namespace armkin {

// One named term per line, one entry per statement. C++ takes a * b * c as
// (a * b) * c and a - b + c as (a - b) + c, which is the grouping that fixes
// the bits; the parentheses written here are the ones that differ from that.
JacobianMatrix computeGeometricJacobian(const JointTerms& t) noexcept {
  const double c1 = t.c1, c2 = t.c2, c3 = t.c3, c4 = t.c4, c5 = t.c5;
  const double s1 = t.s1, s2 = t.s2, s3 = t.s3, s4 = t.s4, s5 = t.s5;
  const double c23 = t.c23, s23 = t.s23;

  // Axes of joints 5 and 6 in the base frame.
  const double u5x = c23 * c1 * c4 - s1 * s4;
  const double u5y = c23 * c4 * s1 + c1 * s4;
  const double u5z = c4 * s23;
  const double u6x = (c4 * s1 + s4 * (c23 * c1)) * s5 - c1 * s23 * c5;
  const double u6y = -s5 * (c1 * c4 - c23 * s1 * s4) - c5 * s23 * s1;
  const double u6z = s4 * s23 * s5 + c5 * c23;
  // Heights of the end-effector origin above the axes of joints 2 and 3.
  // r2z is summed by itself: 0.28 * c2 + r3z rounds differently.
  const double r2z = 0.28 * c2 + 0.235 * u6z + 0.245 * c23 + 0.057 * s23 * c4;
  const double r3z = 0.235 * u6z + 0.245 * c23 + 0.057 * s23 * c4;

  // Every entry is written below, the fixed ones included.
  JacobianMatrix J{detail::Uninitialized{}};
  // Linear velocity. The 0.03 and 0.02 offsets stay two products.
  J(1, 1) = -0.235 * u6y - 0.057 * u5y + 0.03 * c1 - 0.02 * c1 + 0.28 * s1 * s2 + 0.245 * s23 * s1;
  J(1, 2) = -c1 * r2z;
  J(1, 3) = c1 * r3z;
  J(1, 4) = 0.235 * c23 * c1 * c4 * s5 - 0.235 * s1 * s4 * s5 - 0.057 * c23 * c1 * s4 - 0.057 * c4 * s1;
  J(1, 5) = 0.235 * (c5 * c4 * s1 + s5 * (c1 * s23) + c5 * (c23 * c1) * s4);
  J(1, 6) = 0.0;

  J(2, 1) = 0.235 * u6x + 0.057 * u5x + 0.03 * s1 - 0.02 * s1 - 0.28 * c1 * s2 - 0.245 * s23 * c1;
  J(2, 2) = -s1 * r2z;
  J(2, 3) = s1 * r3z;
  J(2, 4) = 0.235 * c1 * s4 * s5 + 0.057 * c1 * c4 - 0.057 * c23 * s1 * s4 + 0.235 * c23 * c4 * s1 * s5;
  J(2, 5) = 0.235 * (s1 * s23 * s5 - c1 * c4 * c5 + c5 * c23 * s1 * s4);
  J(2, 6) = 0.0;

  J(3, 1) = 0.0;

  // J(3, 2) is written in c2, s2, c3, s3: rewriting it in c23 and s23 (as
  // -0.28 * s2 - J(3, 3)) is equal only mathematically.
  J(3, 2) = 0.057 * c2 * c3 * c4 + (0.245 * c2 * s3 - 0.28 * s2 - 0.245 * c3 * s2) + c5 * (0.235 * c2) * s3 -
            0.235 * c3 * c5 * s2 + 0.057 * c4 * s2 * s3 + c3 * (0.235 * c2) * s4 * s5 + 0.235 * s2 * s3 * s4 * s5;
  J(3, 3) = 0.245 * s23 - 0.057 * c23 * c4 + 0.235 * s23 * c5 - 0.235 * c23 * s4 * s5;
  J(3, 4) = -s23 * (0.057 * s4 - 0.235 * c4 * s5);
  J(3, 5) = s4 * (0.235 * s23 * c5) - 0.235 * c23 * s5;
  J(3, 6) = 0.0;

  // Angular velocity: column c is the axis of joint c.
  J(4, 1) = 0.0;
  J(5, 1) = 0.0;
  J(6, 1) = 1.0;
  J(4, 2) = s1;
  J(5, 2) = -c1;
  J(6, 2) = 0.0;
  J(4, 3) = -s1;
  J(5, 3) = c1;
  J(6, 3) = 0.0;
  J(4, 4) = -c1 * s23;
  J(5, 4) = -s1 * s23;
  J(6, 4) = c23;
  J(4, 5) = u5x;
  J(5, 5) = u5y;
  J(6, 5) = u5z;
  J(4, 6) = u6x;
  J(5, 6) = u6y;
  J(6, 6) = u6z;
  return J;
}

JacobianMatrix computeGeometricJacobian(const JointVector& q) noexcept {
  return computeGeometricJacobian(computeJointTerms(q));
}

}  // namespace armkin
