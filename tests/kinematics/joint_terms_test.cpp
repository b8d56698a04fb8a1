// The joint terms equal cosine and sine called separately, bit for bit, over
// many angles: the compiler fuses each cosine/sine pair of computeJointTerms
// into one sincos call, and that call must give the same bits.
#include <armkin/joint_terms.hpp>

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "separate_trig.hpp"

namespace {

using armkin::testing::separateCosine;
using armkin::testing::separateSine;

std::uint64_t bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// Same bits, or both NaN.
::testing::AssertionResult same(double actual, double expected) {
  if (bits(actual) == bits(expected) || (std::isnan(actual) && std::isnan(expected)))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << std::hexfloat << actual << " != " << expected;
}

std::vector<double> angles() {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> a = {0.0,  -0.0,  3.141592653589793, -3.141592653589793, 1.5707963267948966, 1e6, -1e6,
                           1e22, -1e22, DBL_MAX,           -DBL_MAX,           DBL_MIN,            4.9e-324,
                           inf,  -inf,  std::numeric_limits<double>::quiet_NaN(), 0.7853981633974483};
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> turn(-3.141592653589793, 3.141592653589793);
  std::uniform_real_distribution<double> wide(-1e4, 1e4);
  std::uniform_int_distribution<int> exponent(-60, 80);
  std::uniform_int_distribution<std::uint64_t> mantissa(0, (std::uint64_t{1} << 52) - 1);
  for (int i = 0; i < 1'000'000; ++i) {
    switch (i % 3) {
      case 0: a.push_back(turn(rng)); break;
      case 1: a.push_back(wide(rng)); break;
      default: {
        const double m = 1.0 + static_cast<double>(mantissa(rng)) / 4503599627370496.0;
        a.push_back(std::ldexp((i & 8) ? -m : m, exponent(rng)));
      }
    }
  }
  return a;
}

TEST(JointTerms, EqualCosineAndSineCalledSeparately) {
  const std::vector<double> a = angles();
  int failures = 0;
  for (std::size_t i = 0; i + 6 <= a.size() && failures < 10; i += 6) {
    const armkin::JointVector q{a[i], a[i + 1], a[i + 2], a[i + 3], a[i + 4], a[i + 5]};
    const armkin::JointTerms t = armkin::computeJointTerms(q);
    const double q23 = q.q2 - q.q3;
    const struct {
      const char* term;
      double actual, expected;
    } terms[] = {
        {"c1", t.c1, separateCosine(q.q1)}, {"s1", t.s1, separateSine(q.q1)},
        {"c2", t.c2, separateCosine(q.q2)}, {"s2", t.s2, separateSine(q.q2)},
        {"c3", t.c3, separateCosine(q.q3)}, {"s3", t.s3, separateSine(q.q3)},
        {"c4", t.c4, separateCosine(q.q4)}, {"s4", t.s4, separateSine(q.q4)},
        {"c5", t.c5, separateCosine(q.q5)}, {"s5", t.s5, separateSine(q.q5)},
        {"c6", t.c6, separateCosine(q.q6)}, {"s6", t.s6, separateSine(q.q6)},
        {"c23", t.c23, separateCosine(q23)}, {"s23", t.s23, separateSine(q23)},
    };
    for (const auto& term : terms) {
      const ::testing::AssertionResult r = same(term.actual, term.expected);
      if (!r) {
        ++failures;
        ADD_FAILURE() << term.term << " at angles starting with element " << i << ": " << r.message();
      }
    }
  }
}

TEST(JointTerms, NonFiniteAnglesGiveNaNTerms) {
  const double inf = std::numeric_limits<double>::infinity();
  const armkin::JointTerms t = armkin::computeJointTerms({0.5, 0.1, 0.2, 0.3, inf, 0.6});
  EXPECT_TRUE(std::isnan(t.c5));
  EXPECT_TRUE(std::isnan(t.s5));
  for (double v : {t.c1, t.s1, t.c2, t.s2, t.c3, t.s3, t.c4, t.s4, t.c6, t.s6, t.c23, t.s23}) EXPECT_FALSE(std::isnan(v));
  const armkin::JointTerms both = armkin::computeJointTerms({0, inf, inf, 0, 0, 0});
  EXPECT_TRUE(std::isnan(both.c23));
  EXPECT_TRUE(std::isnan(both.s23));
}

}  // namespace
