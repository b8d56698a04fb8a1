// armvelmap — MEX function J = armvelmap(q): the 6×6 geometric Jacobian of
// the end effector for the joint angles q(1:6, 1), radians. Column c belongs
// to joint c; rows 1–3 give the linear velocity of the end-effector origin,
// rows 4–6 the angular velocity, both in the base frame. Any other class than
// real double fails; further rows, columns and arguments are ignored.
#include "kinematics_gateway.hpp"

#include <armkin/jacobian.hpp>
#include <matlab/mex/function.hpp>

class MexFunction : public matlab::mex::Function {
 public:
  void operator()(matlab::mex::ArgumentList outputs, matlab::mex::ArgumentList inputs) override {
    armkin::mex::runKinematicsGateway<6, armkin::computeGeometricJacobian>(outputs, inputs);
  }
};

matlab::mex::Function* matlab::mex::createMexFunction() { return new MexFunction; }
