// armkin/joint_terms.hpp — the fourteen trigonometric terms of one set of
// joint angles, in which every entry of the pose and of the Jacobian is
// written.
//
// Contract:
//   - ck = cos(qk) and sk = sin(qk) for k = 1 … 6, each angle passed to the
//     math library unchanged whatever its size.
//   - c23 = cos(q2 − q3) and s23 = sin(q2 − q3): the difference is q2 minus
//     q3 (s23 changes sign if the operands are swapped), formed by one
//     double subtraction, and its cosine and sine are taken directly, never
//     assembled from c2, s2, c3, s3 by the angle-difference identities.
//   - computeJointTerms cannot fail, keeps no state and gives bit-identical
//     results for equal arguments. NaN or ±Inf angles give NaN terms.
//   - The terms are the only place where the math library enters: given the
//     terms, the pose and the Jacobian are fixed to the last bit on any
//     IEEE-754 platform.
//
//   const armkin::JointTerms t = armkin::computeJointTerms(q);
//   const armkin::PoseMatrix T = armkin::computeEndEffectorPose(t);
#pragma once

#include <armkin/joint_vector.hpp>

namespace armkin {

struct JointTerms {
  double c1 = 1.0, c2 = 1.0, c3 = 1.0, c4 = 1.0, c5 = 1.0, c6 = 1.0;
  double s1 = 0.0, s2 = 0.0, s3 = 0.0, s4 = 0.0, s5 = 0.0, s6 = 0.0;
  double c23 = 1.0;
  double s23 = 0.0;
};

// The cosines and sines of q1 … q6 and of q2 − q3.
JointTerms computeJointTerms(const JointVector& q) noexcept;

}  // namespace armkin
