// armpose for GNU Octave — T = armpose(q): the 4×4 homogeneous transform of
// the end-effector frame in the arm's base frame for the joint angles
// q(1:6, 1), radians (see classic_gateway.hpp for the call contract).
#include "classic_gateway.hpp"

#include <armkin/pose.hpp>

ARMKIN_CLASSIC_GATEWAY(4, armkin::computeEndEffectorPose)
