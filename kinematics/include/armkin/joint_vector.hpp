// armkin/joint_vector.hpp — the six joint angles of the arm.
//
// Contract:
//   - q1 … q6 are the angles of joints 1 … 6 in radians, joint 1 nearest the
//     base. In a MATLAB call qk is input element [k − 1][0].
//   - Every double is accepted: no range check, no wrapping into one turn.
//     A NaN or infinite angle yields NaN joint terms, which the pose and the
//     Jacobian pass on into exactly the entries that use them.
//
//   armkin::JointVector q{0.1, -0.4, 0.9, 0.0, 1.2, -2.0};
#pragma once

namespace armkin {

struct JointVector {
  double q1 = 0.0;
  double q2 = 0.0;
  double q3 = 0.0;
  double q4 = 0.0;
  double q5 = 0.0;
  double q6 = 0.0;
};

}  // namespace armkin
