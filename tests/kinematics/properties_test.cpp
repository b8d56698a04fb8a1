// Properties of the pose and the Jacobian over many joint angles: the exact
// relations between the two, the joints that do not reach an entry, the
// geometry (orthonormal rotation, Denavit–Hartenberg chain, central
// differences) and where NaN goes.
#include <armkin/jacobian.hpp>
#include <armkin/joint_terms.hpp>
#include <armkin/pose.hpp>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using armkin::JacobianMatrix;
using armkin::JointVector;
using armkin::PoseMatrix;

constexpr double kPi = 3.141592653589793;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::uint64_t bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

double& angle(JointVector& q, int k) {
  double* const a[] = {&q.q1, &q.q2, &q.q3, &q.q4, &q.q5, &q.q6};
  return *a[k - 1];
}

struct Input {
  std::string name;
  JointVector q;
};

// Named edge cases, then random angles in one turn either way.
std::vector<Input> inputs(double range = kPi, int random_count = 2000) {
  std::vector<Input> in = {
      {"zero", {0, 0, 0, 0, 0, 0}},
      {"q2 = q3", {0.4, 1.3, 1.3, -0.7, 0.9, 2.1}},
      {"wrist singular q5 = 0", {-1.2, 0.5, -0.3, 1.1, 0.0, 0.6}},
      {"all +pi", {kPi, kPi, kPi, kPi, kPi, kPi}},
      {"all -pi", {-kPi, -kPi, -kPi, -kPi, -kPi, -kPi}},
      {"mixed", {0.3, -1.1, 0.8, 2.5, -0.7, 1.9}},
  };
  std::mt19937_64 rng(20261211);
  std::uniform_real_distribution<double> u(-range, range);
  for (int i = 0; i < random_count; ++i) {
    in.push_back({"random #" + std::to_string(i), {u(rng), u(rng), u(rng), u(rng), u(rng), u(rng)}});
  }
  return in;
}

TEST(Properties, PoseAndJacobianShareEntriesBitForBit) {
  std::vector<Input> in = inputs();
  in.push_back({"huge angles", {1e6, -1e6, 3e5, 1e6, -2e6, 1e6}});
  for (const Input& i : in) {
    SCOPED_TRACE(i.name);
    const PoseMatrix T = armkin::computeEndEffectorPose(i.q);
    const JacobianMatrix J = armkin::computeGeometricJacobian(i.q);
    EXPECT_EQ(bits(J(2, 1)), bits(T(1, 4)));
    for (int r = 1; r <= 3; ++r) EXPECT_EQ(bits(J(3 + r, 6)), bits(T(r, 3))) << "row " << r;
    if (T(2, 4) == 0.0) {
      EXPECT_EQ(J(1, 1), 0.0);
    } else {
      EXPECT_EQ(bits(J(1, 1)), bits(-T(2, 4)));
    }
    EXPECT_EQ(bits(J(4, 3)), bits(-J(4, 2)));
    EXPECT_EQ(bits(J(5, 3)), bits(-J(5, 2)));
  }
}

TEST(Properties, WhatQ6AndTheDifferenceQ2MinusQ3Reach) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(-10.0, 10.0);
  for (const Input& i : inputs()) {
    SCOPED_TRACE(i.name);
    const PoseMatrix T = armkin::computeEndEffectorPose(i.q);
    const JacobianMatrix J = armkin::computeGeometricJacobian(i.q);

    for (double q6 : {u(rng), kNaN, kInf, -kInf}) {
      JointVector moved = i.q;
      moved.q6 = q6;
      const PoseMatrix T6 = armkin::computeEndEffectorPose(moved);
      const JacobianMatrix J6 = armkin::computeGeometricJacobian(moved);
      for (int r = 1; r <= 6; ++r)
        for (int c = 1; c <= 6; ++c) EXPECT_EQ(bits(J6(r, c)), bits(J(r, c))) << "q6 " << q6 << " J" << r << c;
      for (int r = 1; r <= 4; ++r)
        for (int c = 3; c <= 4; ++c) EXPECT_EQ(bits(T6(r, c)), bits(T(r, c))) << "q6 " << q6 << " T" << r << c;
    }

    // Shift q2 and q3 together; where their double difference stays the
    // same, the rotation block stays the same bit for bit.
    JointVector shifted = i.q;
    shifted.q2 += 0.25;
    shifted.q3 += 0.25;
    if (shifted.q2 - shifted.q3 == i.q.q2 - i.q.q3) {
      const PoseMatrix Ts = armkin::computeEndEffectorPose(shifted);
      for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) EXPECT_EQ(bits(Ts(r, c)), bits(T(r, c))) << "T" << r << c;
    }
  }
}

TEST(Properties, JointTermsTakeQ3FromQ2) {
  const armkin::JointTerms t = armkin::computeJointTerms({0, 0.2, 0.7, 0, 0, 0});
  const armkin::JointTerms swapped = armkin::computeJointTerms({0, 0.7, 0.2, 0, 0, 0});
  EXPECT_LT(t.s23, 0.0);
  EXPECT_EQ(bits(swapped.s23), bits(-t.s23));
  EXPECT_EQ(bits(swapped.c23), bits(t.c23));
  for (double q : {1.3, -2.9, 1e6, -1e6}) {
    SCOPED_TRACE(q);
    const armkin::JointTerms same = armkin::computeJointTerms({q, q, q, q, q, q});
    EXPECT_EQ(bits(same.c23), bits(1.0));
    EXPECT_EQ(bits(same.s23), bits(0.0));
    for (double v : {same.c1, same.s1}) EXPECT_LE(std::fabs(v), 1.0);
  }
}

TEST(Properties, RotationIsOrthonormal) {
  std::vector<Input> in = inputs();
  in.push_back({"huge angles", {1e6, -1e6, 3e5, 1e6, -2e6, 1e6}});
  for (const Input& i : in) {
    SCOPED_TRACE(i.name);
    const PoseMatrix T = armkin::computeEndEffectorPose(i.q);
    for (int a = 1; a <= 3; ++a) {
      for (int b = 1; b <= 3; ++b) {
        const double dot = T(1, a) * T(1, b) + T(2, a) * T(2, b) + T(3, a) * T(3, b);
        EXPECT_NEAR(dot, a == b ? 1.0 : 0.0, 1e-15) << "columns " << a << ", " << b;
      }
    }
    const double det = T(1, 1) * (T(2, 2) * T(3, 3) - T(2, 3) * T(3, 2)) -
                       T(1, 2) * (T(2, 1) * T(3, 3) - T(2, 3) * T(3, 1)) +
                       T(1, 3) * (T(2, 1) * T(3, 2) - T(2, 2) * T(3, 1));
    EXPECT_NEAR(det, 1.0, 1e-15);
    EXPECT_EQ(bits(T(4, 1)), 0u);
    EXPECT_EQ(bits(T(4, 2)), 0u);
    EXPECT_EQ(bits(T(4, 3)), 0u);
    EXPECT_EQ(T(4, 4), 1.0);
  }
}

// The arm's Denavit–Hartenberg chain, link k = Rot_z(θk)·Trans_z(dk)·
// Trans_x(ak)·Rot_x(αk), with the quarter-turn offsets of θ and the α
// applied exactly so that only the rounding of the products remains.
PoseMatrix dhLink(double ct, double st, double d, double a, double ca, double sa) {
  PoseMatrix L;
  L(1, 1) = ct, L(1, 2) = -st * ca, L(1, 3) = st * sa, L(1, 4) = a * ct;
  L(2, 1) = st, L(2, 2) = ct * ca, L(2, 3) = -ct * sa, L(2, 4) = a * st;
  L(3, 2) = sa, L(3, 3) = ca, L(3, 4) = d;
  L(4, 4) = 1;
  return L;
}

PoseMatrix product(const PoseMatrix& A, const PoseMatrix& B) {
  PoseMatrix P;
  for (int r = 1; r <= 4; ++r)
    for (int c = 1; c <= 4; ++c)
      P(r, c) = A(r, 1) * B(1, c) + A(r, 2) * B(2, c) + A(r, 3) * B(3, c) + A(r, 4) * B(4, c);
  return P;
}

PoseMatrix dhChain(const JointVector& q) {
  using std::cos;
  using std::sin;
  PoseMatrix T = dhLink(cos(q.q1), sin(q.q1), 0.2433, 0, 0, 1);                 // θ = q1,        α = +π/2
  T = product(T, dhLink(-sin(q.q2), cos(q.q2), 0.03, 0.28, -1, 0));             // θ = q2 + π/2,  α = π
  T = product(T, dhLink(-sin(q.q3), cos(q.q3), 0.02, 0, 0, 1));                 // θ = q3 + π/2,  α = +π/2
  T = product(T, dhLink(-sin(q.q4), cos(q.q4), 0.245, 0, 0, 1));                // θ = q4 + π/2,  α = +π/2
  T = product(T, dhLink(cos(q.q5), sin(q.q5), 0.057, 0, 0, -1));                // θ = q5,        α = −π/2
  return product(T, dhLink(sin(q.q6), -cos(q.q6), 0.235, 0, 1, 0));             // θ = q6 − π/2,  α = 0
}

TEST(Properties, AgreesWithTheDenavitHartenbergChain) {
  for (const Input& i : inputs()) {
    SCOPED_TRACE(i.name);
    const PoseMatrix T = armkin::computeEndEffectorPose(i.q);
    const PoseMatrix D = dhChain(i.q);
    for (int r = 1; r <= 4; ++r)
      for (int c = 1; c <= 4; ++c) EXPECT_NEAR(T(r, c), D(r, c), 1e-15) << "T" << r << c;
  }
}

TEST(Properties, JacobianMatchesCentralDifferencesOfThePose) {
  const double h = 1e-6;
  for (const Input& i : inputs(kPi, 300)) {
    SCOPED_TRACE(i.name);
    const JacobianMatrix J = armkin::computeGeometricJacobian(i.q);
    const PoseMatrix T = armkin::computeEndEffectorPose(i.q);
    for (int c = 1; c <= 6; ++c) {
      JointVector plus = i.q, minus = i.q;
      angle(plus, c) += h;
      angle(minus, c) -= h;
      const PoseMatrix Tp = armkin::computeEndEffectorPose(plus);
      const PoseMatrix Tm = armkin::computeEndEffectorPose(minus);
      PoseMatrix dT;
      for (int r = 1; r <= 3; ++r)
        for (int k = 1; k <= 4; ++k) dT(r, k) = (Tp(r, k) - Tm(r, k)) / (2 * h);
      // Linear velocity: derivative of the position.
      for (int r = 1; r <= 3; ++r) EXPECT_NEAR(J(r, c), dT(r, 4), 1e-8) << "J" << r << c;
      // Angular velocity: the skew-symmetric dR·Rᵀ holds ω.
      auto S = [&](int a, int b) { return dT(a, 1) * T(b, 1) + dT(a, 2) * T(b, 2) + dT(a, 3) * T(b, 3); };
      EXPECT_NEAR(J(4, c), S(3, 2), 1e-8) << "J4" << c;
      EXPECT_NEAR(J(5, c), S(1, 3), 1e-8) << "J5" << c;
      EXPECT_NEAR(J(6, c), S(2, 1), 1e-8) << "J6" << c;
    }
  }
}

// The joints whose angle reaches each entry. A non-finite angle makes NaN of
// exactly the entries it reaches; every other entry keeps its value.
const char* const kPoseReach[4][4] = {
    {"123456", "123456", "12345", "12345"},
    {"123456", "123456", "12345", "12345"},
    {"23456", "23456", "2345", "2345"},
    {"", "", "", ""},
};
const char* const kJacobianReach[6][6] = {
    {"12345", "12345", "12345", "12345", "12345", ""},
    {"12345", "12345", "12345", "12345", "12345", ""},
    {"", "2345", "2345", "2345", "2345", ""},
    {"", "1", "1", "123", "1234", "12345"},
    {"", "1", "1", "123", "1234", "12345"},
    {"", "", "", "23", "234", "2345"},
};

bool reaches(const char* joints, const std::string& nonfinite) {
  for (char k : nonfinite)
    if (std::strchr(joints, k)) return true;
  return false;
}

template <int N>
void expectNaNPattern(const armkin::Matrix<N>& m, const armkin::Matrix<N>& base, const char* const (&reach)[N][N],
                      const std::string& nonfinite, const char* name) {
  for (int r = 1; r <= N; ++r) {
    for (int c = 1; c <= N; ++c) {
      SCOPED_TRACE(std::string(name) + "(" + std::to_string(r) + ", " + std::to_string(c) + ")");
      if (reaches(reach[r - 1][c - 1], nonfinite)) {
        EXPECT_TRUE(std::isnan(m(r, c))) << m(r, c);
      } else {
        EXPECT_EQ(bits(m(r, c)), bits(base(r, c))) << m(r, c);
      }
    }
  }
}

TEST(Properties, NonFiniteAnglesReachExactlyTheEntriesThatUseThem) {
  const JointVector base{0.3, -1.1, 0.8, 2.5, -0.7, 1.9};
  struct {
    const char* name;
    std::string joints;  // the angles made non-finite
    double value;
  } cases[] = {
      {"q1 NaN", "1", kNaN},   {"q1 +Inf", "1", kInf}, {"q2 NaN", "2", kNaN},   {"q3 -Inf", "3", -kInf},
      {"q4 NaN", "4", kNaN},   {"q5 +Inf", "5", kInf}, {"q6 NaN", "6", kNaN},   {"q6 -Inf", "6", -kInf},
      {"q2 = q3 = +Inf", "23", kInf},                  {"q1 and q6 NaN", "16", kNaN},
  };
  const PoseMatrix T0 = armkin::computeEndEffectorPose(base);
  const JacobianMatrix J0 = armkin::computeGeometricJacobian(base);
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    JointVector q = base;
    for (char k : tc.joints) angle(q, k - '0') = tc.value;
    expectNaNPattern(armkin::computeEndEffectorPose(q), T0, kPoseReach, tc.joints, "T");
    expectNaNPattern(armkin::computeGeometricJacobian(q), J0, kJacobianReach, tc.joints, "J");
  }
}

}  // namespace
