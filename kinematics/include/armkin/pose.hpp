// armkin/pose.hpp — the end-effector pose of the arm.
//
// Contract:
//   - The result T is the 4×4 homogeneous transform of the end-effector frame
//     in the arm's base frame: it maps a point (x, y, z, 1) given in
//     end-effector coordinates to base coordinates.
//   - T(1..3, 1..3) is the rotation; its columns are the end-effector x, y
//     and z axes in base coordinates, column 3 the approach axis (joint 6).
//     Invariant: orthonormal with determinant +1, up to rounding.
//   - T(1..3, 4) is the position of the end-effector origin, in the length
//     unit of the arm constants (0.2433, 0.28, 0.245, 0.057, 0.235, 0.03,
//     0.02).
//   - Fixed entries: T(4, 1), T(4, 2), T(4, 3) are +0 and T(4, 4) is 1, for
//     every input.
//   - Given the joint terms every entry is fixed to the last bit (IEEE-754
//     double, each operation rounded by itself, no fused multiply-add), so
//     the JointTerms overload gives the same bits on every platform.
//   - Cannot fail, keeps no state, allocates nothing. Non-finite angles give
//     NaN in exactly the entries whose formulas use the affected terms.
//
//   const armkin::PoseMatrix T = armkin::computeEndEffectorPose(armkin::JointVector{});
//   // T(1, 4) == 0.057, T(3, 4) == 1.0032999999999999
#pragma once

#include <armkin/joint_terms.hpp>
#include <armkin/joint_vector.hpp>
#include <armkin/matrix.hpp>

namespace armkin {

using PoseMatrix = Matrix<4>;

// The pose from already computed joint terms: arithmetic only.
PoseMatrix computeEndEffectorPose(const JointTerms& terms) noexcept;

// The pose of the joint angles q: computeJointTerms once, then the above.
PoseMatrix computeEndEffectorPose(const JointVector& q) noexcept;

}  // namespace armkin
