// kdl_arm_chain.hpp — the arm as an Orocos KDL chain, built from its
// Denavit–Hartenberg table: the independent peer of the tests and the
// benchmarks (never part of a deliverable).
//
// Link k is Rot_z(qk + offset)·Trans_z(d)·Trans_x(a)·Rot_x(α): a joint about
// z followed by the fixed DH frame with the offset as its θ. KDL's
// ChainJntToJacSolver then gives the Jacobian of the end-effector origin in
// the base frame, each column a twist (linear velocity, then angular).
#pragma once

#include <kdl/chain.hpp>
#include <kdl/frames.hpp>

namespace armkin::peer {

inline KDL::Chain kdlArmChain() {
  constexpr double kPi = 3.141592653589793;
  struct {
    double a, alpha, d, offset;
  } dh[] = {
      {0.0, kPi / 2, 0.2433, 0.0},  {0.28, kPi, 0.03, kPi / 2}, {0.0, kPi / 2, 0.02, kPi / 2},
      {0.0, kPi / 2, 0.245, kPi / 2}, {0.0, -kPi / 2, 0.057, 0.0}, {0.0, 0.0, 0.235, -kPi / 2},
  };
  KDL::Chain chain;
  for (const auto& l : dh) {
    chain.addSegment(KDL::Segment(KDL::Joint(KDL::Joint::RotZ), KDL::Frame::DH(l.a, l.alpha, l.d, l.offset)));
  }
  return chain;
}

}  // namespace armkin::peer
