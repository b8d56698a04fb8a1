// armpose — MEX function T = armpose(q): the 4×4 homogeneous transform of
// the end-effector frame in the arm's base frame for the joint angles
// q(1:6, 1), radians. Any other class than real double fails; further rows,
// columns and arguments are ignored.
#include "kinematics_gateway.hpp"

#include <armkin/pose.hpp>
#include <matlab/mex/function.hpp>

class MexFunction : public matlab::mex::Function {
 public:
  void operator()(matlab::mex::ArgumentList outputs, matlab::mex::ArgumentList inputs) override {
    armkin::mex::runKinematicsGateway<4, armkin::computeEndEffectorPose>(outputs, inputs);
  }
};

matlab::mex::Function* matlab::mex::createMexFunction() { return new MexFunction; }
