// An independent peer: Orocos KDL with the arm's Denavit–Hartenberg chain.
// KDL's ChainJntToJacSolver gives the Jacobian of the end-effector origin in
// the base frame, each column a twist (linear velocity, then angular), which
// is the row order of computeGeometricJacobian.
#include <armkin/jacobian.hpp>
#include <armkin/pose.hpp>

#include <gtest/gtest.h>
#include <kdl/chain.hpp>
#include <kdl_arm_chain.hpp>
#include <kdl/chainfksolverpos_recursive.hpp>
#include <kdl/chainjnttojacsolver.hpp>
#include <kdl/frames.hpp>
#include <kdl/jacobian.hpp>
#include <kdl/jntarray.hpp>

#include <random>
#include <string>

namespace {

constexpr double kPi = 3.141592653589793;

TEST(KdlPeer, PoseAndJacobianAgree) {
  const KDL::Chain chain = armkin::peer::kdlArmChain();
  ASSERT_EQ(chain.getNrOfJoints(), 6u);
  KDL::ChainFkSolverPos_recursive fk(chain);
  KDL::ChainJntToJacSolver jac(chain);
  KDL::JntArray q(6);
  KDL::Frame frame;
  KDL::Jacobian kdlJ(6);

  std::mt19937_64 rng(99);
  std::uniform_real_distribution<double> u(-kPi, kPi);
  for (int i = 0; i < 2000; ++i) {
    SCOPED_TRACE("random #" + std::to_string(i));
    const armkin::JointVector a{u(rng), u(rng), u(rng), u(rng), u(rng), u(rng)};
    const double angles[] = {a.q1, a.q2, a.q3, a.q4, a.q5, a.q6};
    for (unsigned k = 0; k < 6; ++k) q(k) = angles[k];
    ASSERT_GE(fk.JntToCart(q, frame), 0);
    ASSERT_GE(jac.JntToJac(q, kdlJ), 0);

    const armkin::PoseMatrix T = armkin::computeEndEffectorPose(a);
    const armkin::JacobianMatrix J = armkin::computeGeometricJacobian(a);
    for (int r = 1; r <= 3; ++r) {
      for (int c = 1; c <= 3; ++c) EXPECT_NEAR(T(r, c), frame.M(r - 1, c - 1), 1e-12) << "T" << r << c;
      EXPECT_NEAR(T(r, 4), frame.p(r - 1), 1e-12) << "T" << r << 4;
    }
    for (int r = 1; r <= 6; ++r)
      for (int c = 1; c <= 6; ++c) EXPECT_NEAR(J(r, c), kdlJ(r - 1, c - 1), 1e-12) << "J" << r << c;
  }
}

}  // namespace
