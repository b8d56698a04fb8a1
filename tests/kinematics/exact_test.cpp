// Exact results of the kinematics, pinned bit for bit.
//
// Given the joint terms, every entry of the pose and the Jacobian is fixed to
// the last bit on any IEEE-754 platform, so these expectations hold unchanged
// on every build (the Windows build runs them under Wine). Only the all-zero
// case goes through cosine and sine, whose values at 0 are exact everywhere.
//
// The golden bit patterns were produced by golden_values.py, a separate
// transcription of the formulas in Python floats.
#include <armkin/jacobian.hpp>
#include <armkin/joint_terms.hpp>
#include <armkin/pose.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

namespace {

using armkin::JacobianMatrix;
using armkin::JointTerms;
using armkin::PoseMatrix;

std::uint64_t bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

std::string entry(const char* m, int r, int c) {
  return std::string(m) + "(" + std::to_string(r) + ", " + std::to_string(c) + ")";
}

// The result is built straight into storage filled with a marker pattern
// (guaranteed copy elision), so an entry the code forgot to write shows.
template <typename M, typename F>
M intoMarkedStorage(F compute) {
  alignas(M) unsigned char storage[sizeof(M)];
  std::memset(storage, 0xA5, sizeof storage);
  return *::new (storage) M(compute());
}

template <int N>
void expectBits(const armkin::Matrix<N>& actual, const std::uint64_t (&expected)[N * N], const char* m) {
  for (int r = 1; r <= N; ++r) {
    for (int c = 1; c <= N; ++c) {
      SCOPED_TRACE(entry(m, r, c));
      EXPECT_EQ(bits(actual(r, c)), expected[(r - 1) * N + (c - 1)]) << actual(r, c);
    }
  }
}

template <int N>
void expectBits(const armkin::Matrix<N>& actual, const double (&expected)[N * N], const char* m) {
  std::uint64_t b[N * N];
  for (int i = 0; i < N * N; ++i) b[i] = bits(expected[i]);
  expectBits(actual, b, m);
}

TEST(ExactResults, AllAnglesZeroSignedZerosIncluded) {
  const double pose[16] = {1, -0.0, 0, 0.057,  //
                           0, 1, -0.0, -0.009999999999999998,
                           0, 0, 1, 1.0032999999999999,
                           0, 0, 0, 1};
  const double jacobian[36] = {0.009999999999999998, -0.76, 0.48, 0, 0, 0,  //
                               0.057, -0.0, 0, 0.057, -0.235, 0,
                               0, 0.057, -0.057, -0.0, 0, 0,
                               0, 0, -0.0, -0.0, 1, 0,
                               0, -1, 1, -0.0, 0, -0.0,
                               1, 0, 0, 1, 0, 1};
  const armkin::JointVector zero{};
  expectBits(intoMarkedStorage<PoseMatrix>([&] { return armkin::computeEndEffectorPose(zero); }), pose, "T");
  expectBits(intoMarkedStorage<JacobianMatrix>([&] { return armkin::computeGeometricJacobian(zero); }), jacobian, "J");
  // The default terms are those of the zero angles.
  expectBits(armkin::computeEndEffectorPose(JointTerms{}), pose, "T");
  expectBits(armkin::computeGeometricJacobian(JointTerms{}), jacobian, "J");
}

// Term values need not be a consistent cosine/sine pair: the arithmetic
// from terms to matrix is what is pinned.
struct PinnedCase {
  const char* name;
  JointTerms terms;  // c1 … c6, s1 … s6, c23, s23
  std::uint64_t pose[16];
  std::uint64_t jacobian[36];
};

const PinnedCase kPinned[] = {
    {"chosen terms",
     {0.2, -1.0 / 3.0, 0.8, 0.6, 0.3, -0.15,
      1.0 / 7.0, 1.0 / 3.0, 0.9, 0.35, 0.8, 2.0 / 3.0,
      -0.4, 1.0 / 3.0},
     {0xbfa0968655f6c7df, 0x3fb3702e0001ff4e, 0x3f9accaed7372dcd, 0xbfa0e64fee362f2b,
      0xbf668f7d72b87340, 0xbf98fb10b7305033, 0xbfc02a215a6791fe, 0xbfabf9f6197127a8,
      0xbfd1111111111111, 0xbfb48057619f0fb1, 0xbf9b4e81b4e81b50, 0x3fad3c36113404e5,
      0x0000000000000000, 0x0000000000000000, 0x0000000000000000, 0x3ff0000000000000},
     {0x3fabf9f6197127a8, 0x3fa3111f0c34c1a9, 0xbf9304e34cfa3d02, 0xbf963c1eb2ed6511, 0x3f91002a248c7e5b, 0x0000000000000000,
      0xbfa0e64fee362f2b, 0x3f9b3d07c84b5dcc, 0xbf8b2b8ddbaea04b, 0x3f8e1809a4a5c25f, 0xbf4e118be65ce9a1, 0x0000000000000000,
      0x0000000000000000, 0xbfd133bf0298191f, 0x3fc294d242e6bdc8, 0x3f9fb15b573eab36, 0x3fb55b573eab367a, 0x0000000000000000,
      0x0000000000000000, 0x3fc2492492492492, 0xbfc2492492492492, 0xbfb1111111111111, 0xbfb916872b020c4a, 0x3f9accaed7372dcd,
      0x0000000000000000, 0xbfc999999999999a, 0x3fc999999999999a, 0xbfa8618618618618, 0x3fa2492492492492, 0xbfc02a215a6791fe,
      0x3ff0000000000000, 0x0000000000000000, 0x0000000000000000, 0xbfd999999999999a, 0x3fc9999999999999, 0xbf9b4e81b4e81b50}},
    {"terms of q = (0.3, -1.1, 0.8, 2.5, -0.7, 1.9)",
     {0x1.e921dd42f09bap-1, 0x1.d07b806c76111p-2, 0x1.64b6bde719865p-1, -0x1.9a2f7ef858b7dp-1, 0x1.87996529f9d93p-1, -0x1.4b0c6b93445abp-2,
      0x1.2e9cd95baba33p-2, -0x1.c84c54c2d6338p-1, 0x1.6f494c2bffecdp-1, 0x1.326af0dcfcab1p-1, -0x1.49d6e694619b8p-1, 0x1.e48171f1a3857p-1,
      -0x1.4b0c6b93445afp-2, -0x1.e48171f1a3857p-1},
     {0xbfd13405a0af7dbf, 0x3f91ab06d2fd5710, 0x3feed13c3b4e01dc, 0x3fe62e7b31c55721,
      0xbfec9067746d7cbe, 0xbfd853d8913d2e50, 0xbfcf04e00a01724f, 0x3fbcda694c130a3e,
      0x3fd7292af22a112b, 0xbfed97c67145bb66, 0x3fbe198756346038, 0x3fd72a1972153cc8,
      0x0000000000000000, 0x0000000000000000, 0x0000000000000000, 0x3ff0000000000000},
     {0xbfbcda694c130a3e, 0xbfbd043549f9cf78, 0xbf805c790a193641, 0x3f8b557edff0edb8, 0x3faf46c380037c7c, 0x0000000000000000,
      0x3fe62e7b31c55721, 0xbfa1f3a0cba0470d, 0xbf643e95fc6d260b, 0xbfc1bab85487756d, 0x3fc5b63f80a89fcf, 0x0000000000000000,
      0x0000000000000000, 0x3fe641b6ec6b4eca, 0xbfdc8aff5c42518c, 0xbfb51e315d041b02, 0xbfc34b4820f91b0f, 0x0000000000000000,
      0x0000000000000000, 0x3fd2e9cd95baba33, 0xbfd2e9cd95baba33, 0x3feceddad0c58ce7, 0x3fb2110ff359ee20, 0x3feed13c3b4e01dc,
      0x0000000000000000, 0xbfee921dd42f09ba, 0x3fee921dd42f09ba, 0x3fd1e5cc755db4be, 0x3fe4bebac3f7aeda, 0xbfcf04e00a01724f,
      0x3ff0000000000000, 0x0000000000000000, 0x0000000000000000, 0xbfd4b0c6b93445af, 0x3fe84289a4753523, 0x3fbe198756346038}},
};

TEST(ExactResults, PinnedThroughTheTermsToMatrixStep) {
  for (const PinnedCase& pc : kPinned) {
    SCOPED_TRACE(pc.name);
    expectBits(intoMarkedStorage<PoseMatrix>([&] { return armkin::computeEndEffectorPose(pc.terms); }), pc.pose, "T");
    expectBits(intoMarkedStorage<JacobianMatrix>([&] { return armkin::computeGeometricJacobian(pc.terms); }),
               pc.jacobian, "J");
  }
}

// One rounding for a * b + c. MinGW-w64's fma rounds twice for some
// arguments (the first pinned case's T(1,3) among them); the Universal CRT's,
// which the kinematics' Windows build links for cosine and sine, is exact.
#if defined(__MINGW32__)
extern "C" __declspec(dllimport) double armkin_ucrt_fma(double a, double b, double c);
double fusedMultiplyAdd(double a, double b, double c) { return armkin_ucrt_fma(a, b, c); }
#else
double fusedMultiplyAdd(double a, double b, double c) { return std::fma(a, b, c); }
#endif

// Each row rewrites one entry the way a tempting simplification would; the
// pinned value of the first case must tell it apart, so a build that made
// that rewrite (by hand or by the compiler) fails the test above.
struct Named {
  double x1, x2, y1, y2, u5x, u5y, u6x, u6y, u6z, r3z, t13, t33, j33;
};

Named named(const JointTerms& t) {
  Named n{};
  n.x1 = t.c4 * t.s1 + t.s4 * (t.c23 * t.c1);
  n.x2 = t.s4 * t.s1 - t.c23 * t.c1 * t.c4;
  n.y1 = t.c4 * t.c1 - t.c23 * t.s1 * t.s4;
  n.y2 = t.c4 * t.c23 * t.s1 + t.s4 * t.c1;
  n.u5x = -n.x2;
  n.u5y = n.y2;
  const PoseMatrix T = armkin::computeEndEffectorPose(t);
  const JacobianMatrix J = armkin::computeGeometricJacobian(t);
  n.u6x = J(4, 6);
  n.u6y = J(5, 6);
  n.u6z = J(6, 6);
  n.t13 = T(1, 3);
  n.t33 = T(3, 3);
  n.j33 = J(3, 3);
  n.r3z = 0.235 * n.u6z + 0.245 * t.c23 + 0.057 * t.s23 * t.c4;
  return n;
}

struct Fault {
  const char* rule;
  char matrix;  // 'T' or 'J'
  int r, c;
  double (*rewritten)(const JointTerms&, const Named&);
};

const Fault kFaults[] = {
    {"T(1,4): 0.03 and 0.02 products merged", 'T', 1, 4,
     [](const JointTerms& t, const Named& n) {
       return n.t13 * 0.235 - n.x2 * 0.057 + 0.01 * t.s1 - 0.28 * t.c1 * t.s2 - 0.245 * t.s23 * t.c1;
     }},
    {"T(1,4): chain summed right to left", 'T', 1, 4,
     [](const JointTerms& t, const Named& n) {
       return n.t13 * 0.235 +
              (-n.x2 * 0.057 + (0.03 * t.s1 + (-0.02 * t.s1 + (-0.28 * t.c1 * t.s2 - 0.245 * t.s23 * t.c1))));
     }},
    {"T(2,4): 0.03 and 0.02 products merged", 'T', 2, 4,
     [](const JointTerms& t, const Named& n) {
       const double X = t.s1 * (t.c5 * t.s23) + n.y1 * t.s5;
       return (n.y2 * 0.057 - X * 0.235 - 0.01 * t.c1) - 0.28 * t.s1 * t.s2 - t.s1 * (0.245 * t.s23);
     }},
    {"T(2,4): bracket dropped", 'T', 2, 4,
     [](const JointTerms& t, const Named& n) {
       const double X = t.s1 * (t.c5 * t.s23) + n.y1 * t.s5;
       return t.c1 * 0.02 + n.y2 * 0.057 - X * 0.235 - 0.03 * t.c1 - 0.28 * t.s1 * t.s2 - t.s1 * (0.245 * t.s23);
     }},
    {"T(3,4): 0.2433 summed in the chain", 'T', 3, 4,
     [](const JointTerms& t, const Named& n) {
       return n.t33 * 0.235 + 0.28 * t.c2 + 0.2433 + 0.245 * t.c23 + t.s23 * 0.057 * t.c4;
     }},
    {"T(1,3): multiply-add fused", 'T', 1, 3,
     [](const JointTerms& t, const Named& n) { return fusedMultiplyAdd(n.x1, t.s5, -(t.c1 * t.s23 * t.c5)); }},
    {"J(1,1): 0.03 and 0.02 products merged", 'J', 1, 1,
     [](const JointTerms& t, const Named& n) {
       return -0.235 * n.u6y - 0.057 * n.u5y + 0.01 * t.c1 + 0.28 * t.s1 * t.s2 + 0.245 * t.s23 * t.s1;
     }},
    {"J(2,1): 0.03 and 0.02 products merged", 'J', 2, 1,
     [](const JointTerms& t, const Named& n) {
       return 0.235 * n.u6x + 0.057 * n.u5x + 0.01 * t.s1 - 0.28 * t.c1 * t.s2 - 0.245 * t.s23 * t.c1;
     }},
    {"J(1,2): r2z formed as 0.28 c2 + r3z", 'J', 1, 2,
     [](const JointTerms& t, const Named& n) { return -t.c1 * (0.28 * t.c2 + n.r3z); }},
    {"J(3,2): rewritten in c23 and s23", 'J', 3, 2,
     [](const JointTerms& t, const Named& n) { return -0.28 * t.s2 - n.j33; }},
    {"J(1,4): product chain regrouped", 'J', 1, 4,
     [](const JointTerms& t, const Named&) {
       return 0.235 * (t.c23 * t.c1 * t.c4 * t.s5) - 0.235 * t.s1 * t.s4 * t.s5 - 0.057 * t.c23 * t.c1 * t.s4 -
              0.057 * t.c4 * t.s1;
     }},
    {"J(6,6): multiply-add fused", 'J', 6, 6,
     [](const JointTerms& t, const Named&) { return fusedMultiplyAdd(t.s4 * t.s23, t.s5, t.c5 * t.c23); }},
};

TEST(ExactResults, EachGroupingRuleChangesAPinnedValue) {
  const PinnedCase& pc = kPinned[0];
  const Named n = named(pc.terms);
  for (const Fault& f : kFaults) {
    SCOPED_TRACE(f.rule);
    const int cols = f.matrix == 'T' ? 4 : 6;
    const std::uint64_t pinned = f.matrix == 'T' ? pc.pose[(f.r - 1) * cols + (f.c - 1)]
                                                 : pc.jacobian[(f.r - 1) * cols + (f.c - 1)];
    EXPECT_NE(bits(f.rewritten(pc.terms, n)), pinned);
  }
}

}  // namespace
