// Orocos KDL's solvers on the arm's DH chain: what a generic library costs.
#include <benchmark/benchmark.h>
#include <kdl/chain.hpp>
#include <kdl_arm_chain.hpp>
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
  const KDL::Chain chain = armkin::peer::kdlArmChain();
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
  const KDL::Chain chain = armkin::peer::kdlArmChain();
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
