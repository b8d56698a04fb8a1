// An independent peer: Orocos KDL with the arm's Denavit–Hartenberg chain.
// KDL's ChainJntToJacSolver gives the Jacobian of the end-effector origin in
// the base frame, each column a twist (linear velocity, then angular), which
// is the row order of computeGeometricJacobian.
#include <armkin/jacobian.hpp>
#include <armkin/pose.hpp>

#include <gtest/gtest.h>
#include <kdl/chain.hpp>
#include <kdl/chainfksolverpos_recursive.hpp>
#include <kdl/chainjnttojacsolver.hpp>
#include <kdl/frames.hpp>
#include <kdl/jacobian.hpp>
#include <kdl/jntarray.hpp>

#include <random>
#include <string>

namespace {

constexpr double kPi = 3.141592653589793;

// Link k = Rot_z(qk + offset)·Trans_z(d)·Trans_x(a)·Rot_x(α): a joint about z
// followed by the fixed DH frame with the offset as its θ.
KDL::Chain armChain() {
  struct {
    double a, alpha, d, offset;
  } dh[] = {
      {0.0, kPi / 2, 0.2433, 0.0},  {0.28, kPi, 0.03, kPi / 2}, {0.0, kPi / 2, 0.02, kPi / 2},
      {0.0, kPi / 2, 0.245, kPi / 2}, {0.0, -kPi / 2, 0.057, 0.0}, {0.0, 0.0, 0.235, -kPi / 2},
  };
  KDL::Chain chain;
  for (const auto& l : dh)
    chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::RotZ), KDL::Frame::DH(l.a, l.alpha, l.d, l.offset)));
  return chain;
}

TEST(KdlPeer, PoseAndJacobianAgree) {
  const KDL::Chain chain = armChain();
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
