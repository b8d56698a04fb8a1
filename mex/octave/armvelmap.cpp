// armvelmap for GNU Octave — J = armvelmap(q): the 6×6 geometric Jacobian of
// the end effector for the joint angles q(1:6, 1), radians, linear velocity
// in rows 1–3, angular in rows 4–6 (see classic_gateway.hpp for the call
// contract).
#include "classic_gateway.hpp"

#include <armkin/jacobian.hpp>

ARMKIN_CLASSIC_GATEWAY(6, armkin::computeGeometricJacobian)
