// The closed-form pose and Jacobian against their floor (the joint terms
// alone) and against a plain product of the six Denavit–Hartenberg links.
#include <armkin/jacobian.hpp>
#include <armkin/joint_terms.hpp>
#include <armkin/pose.hpp>
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstddef>

#include "joint_angles.hpp"

namespace {

using armkin::bench::angleTable;
using armkin::bench::nextAngleSet;

void BM_JointTermsOnly(benchmark::State& state) {
  const auto& table = angleTable();
  std::size_t i = 0;
  for (auto _ : state) {
    armkin::JointTerms t = armkin::computeJointTerms(table[i]);
    benchmark::DoNotOptimize(t);
    i = nextAngleSet(i);
  }
}
BENCHMARK(BM_JointTermsOnly);

void BM_Pose(benchmark::State& state) {
  const auto& table = angleTable();
  std::size_t i = 0;
  for (auto _ : state) {
    armkin::PoseMatrix T = armkin::computeEndEffectorPose(table[i]);
    benchmark::DoNotOptimize(T);
    i = nextAngleSet(i);
  }
}
BENCHMARK(BM_Pose);

void BM_Jacobian(benchmark::State& state) {
  const auto& table = angleTable();
  std::size_t i = 0;
  for (auto _ : state) {
    armkin::JacobianMatrix J = armkin::computeGeometricJacobian(table[i]);
    benchmark::DoNotOptimize(J);
    i = nextAngleSet(i);
  }
}
BENCHMARK(BM_Jacobian);

// The arithmetic alone, from precomputed terms: where the time above goes
// beyond the joint terms.
const std::array<armkin::JointTerms, armkin::bench::kAngleSets>& termsTable() {
  static const auto table = [] {
    std::array<armkin::JointTerms, armkin::bench::kAngleSets> t{};
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = armkin::computeJointTerms(angleTable()[i]);
    return t;
  }();
  return table;
}

void BM_PoseFromTerms(benchmark::State& state) {
  const auto& table = termsTable();
  std::size_t i = 0;
  for (auto _ : state) {
    armkin::PoseMatrix T = armkin::computeEndEffectorPose(table[i]);
    benchmark::DoNotOptimize(T);
    i = nextAngleSet(i);
  }
}
BENCHMARK(BM_PoseFromTerms);

void BM_JacobianFromTerms(benchmark::State& state) {
  const auto& table = termsTable();
  std::size_t i = 0;
  for (auto _ : state) {
    armkin::JacobianMatrix J = armkin::computeGeometricJacobian(table[i]);
    benchmark::DoNotOptimize(J);
    i = nextAngleSet(i);
  }
}
BENCHMARK(BM_JacobianFromTerms);

// A generic DH chain: the constant parts of each link (d, a, cos α, sin α)
// prepared once, then per evaluation the cosine and sine of each joint angle
// plus its offset, the six link matrices and five 4×4 products.
struct DhLink {
  double offset, d, a, ca, sa;
};

struct Mat4 {
  double m[4][4];
};

Mat4 linkMatrix(const DhLink& l, double q) {
  const double theta = q + l.offset;
  const double ct = std::cos(theta), st = std::sin(theta);
  return Mat4{{{ct, -st * l.ca, st * l.sa, l.a * ct},
               {st, ct * l.ca, -ct * l.sa, l.a * st},
               {0.0, l.sa, l.ca, l.d},
               {0.0, 0.0, 0.0, 1.0}}};
}

Mat4 operator*(const Mat4& A, const Mat4& B) {
  Mat4 P;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      P.m[r][c] = A.m[r][0] * B.m[0][c] + A.m[r][1] * B.m[1][c] + A.m[r][2] * B.m[2][c] + A.m[r][3] * B.m[3][c];
  return P;
}

void BM_DhChainPose(benchmark::State& state) {
  constexpr double kHalfPi = 1.5707963267948966;
  auto link = [](double offset, double d, double a, double alpha) {
    return DhLink{offset, d, a, std::cos(alpha), std::sin(alpha)};
  };
  const DhLink chain[6] = {
      link(0.0, 0.2433, 0.0, kHalfPi),   link(kHalfPi, 0.03, 0.28, 2 * kHalfPi), link(kHalfPi, 0.02, 0.0, kHalfPi),
      link(kHalfPi, 0.245, 0.0, kHalfPi), link(0.0, 0.057, 0.0, -kHalfPi),       link(-kHalfPi, 0.235, 0.0, 0.0),
  };
  benchmark::DoNotOptimize(chain);
  const auto& table = angleTable();
  std::size_t i = 0;
  for (auto _ : state) {
    const armkin::JointVector& q = table[i];
    Mat4 T = linkMatrix(chain[0], q.q1) * linkMatrix(chain[1], q.q2) * linkMatrix(chain[2], q.q3) *
             linkMatrix(chain[3], q.q4) * linkMatrix(chain[4], q.q5) * linkMatrix(chain[5], q.q6);
    benchmark::DoNotOptimize(T);
    i = nextAngleSet(i);
  }
}
BENCHMARK(BM_DhChainPose);

}  // namespace
