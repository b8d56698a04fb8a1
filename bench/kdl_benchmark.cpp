// Orocos KDL's solvers on the arm's DH chain: what a generic library costs.
#include <benchmark/benchmark.h>
#include <kdl/chain.hpp>
#include <kdl/chainfksolverpos_recursive.hpp>
#include <kdl/chainjnttojacsolver.hpp>
#include <kdl/frames.hpp>
#include <kdl/jacobian.hpp>
#include <kdl/jntarray.hpp>

#include <cstddef>
#include <vector>

#include "joint_angles.hpp"

namespace {

using armkin::bench::angleTable;
using armkin::bench::kAngleSets;
using armkin::bench::nextAngleSet;

KDL::Chain armChain() {
  constexpr double kPi = 3.141592653589793;
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

std::vector<KDL::JntArray> kdlAngleTable() {
  std::vector<KDL::JntArray> t(kAngleSets, KDL::JntArray(6));
  for (std::size_t i = 0; i < kAngleSets; ++i) {
    const armkin::JointVector& q = angleTable()[i];
    const double a[] = {q.q1, q.q2, q.q3, q.q4, q.q5, q.q6};
    for (unsigned k = 0; k < 6; ++k) t[i](k) = a[k];
  }
  return t;
}

void BM_KdlPose(benchmark::State& state) {
  const KDL::Chain chain = armChain();
  KDL::ChainFkSolverPos_recursive solver(chain);
  const std::vector<KDL::JntArray> table = kdlAngleTable();
  KDL::Frame frame;
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(solver.JntToCart(table[i], frame));
    benchmark::DoNotOptimize(frame);
    i = nextAngleSet(i);
  }
}
BENCHMARK(BM_KdlPose);

void BM_KdlJacobian(benchmark::State& state) {
  const KDL::Chain chain = armChain();
  KDL::ChainJntToJacSolver solver(chain);
  const std::vector<KDL::JntArray> table = kdlAngleTable();
  KDL::Jacobian jacobian(6);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(solver.JntToJac(table[i], jacobian));
    benchmark::DoNotOptimize(jacobian.data.data());
    benchmark::ClobberMemory();
    i = nextAngleSet(i);
  }
}
BENCHMARK(BM_KdlJacobian);

}  // namespace
