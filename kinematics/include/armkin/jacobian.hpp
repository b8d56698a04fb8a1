// armkin/jacobian.hpp — the geometric Jacobian of the arm.
//
// Contract:
//   - The result J is 6×6 with J·q̇ = (v, ω): rows 1–3 map joint rates to the
//     linear velocity v of the end-effector origin, rows 4–6 to the angular
//     velocity ω of the end effector, both in the base frame (the frame of
//     computeEndEffectorPose). Column c belongs to joint c.
//   - Rows 4–6 of column c hold the unit axis of joint c in the base frame;
//     rows 1–3 are in the length unit of the arm constants per radian.
//   - Fixed entries: J(1, 6), J(2, 6), J(3, 6), J(3, 1), J(4, 1), J(5, 1),
//     J(6, 2), J(6, 3) are +0 and J(6, 1) is 1, for every input.
//   - q6 does not reach the result: c6 and s6 enter no entry.
//   - Bit for bit, for every input: J(2, 1) == T(1, 4); J(4..6, 6) equal
//     T(1..3, 3); J(1, 1) == −T(2, 4) (both may be +0 where they are zero).
//   - Given the joint terms every entry is fixed to the last bit on every
//     IEEE-754 platform. Cannot fail, keeps no state, allocates nothing;
//     non-finite angles give NaN in exactly the entries that use them.
//
//   const armkin::JacobianMatrix J = armkin::computeGeometricJacobian(q);
//   const double vx_per_joint1 = J(1, 1);
#pragma once

#include <armkin/joint_terms.hpp>
#include <armkin/joint_vector.hpp>
#include <armkin/matrix.hpp>

namespace armkin {

using JacobianMatrix = Matrix<6>;

// The Jacobian from already computed joint terms: arithmetic only.
JacobianMatrix computeGeometricJacobian(const JointTerms& terms) noexcept;

// The Jacobian of the joint angles q: computeJointTerms once, then the above.
JacobianMatrix computeGeometricJacobian(const JointVector& q) noexcept;

}  // namespace armkin
