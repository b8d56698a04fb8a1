// The joint terms of the Windows build against the build machine's C library.
//
// trig_reference.bin (written by trig_reference.py at build time) holds
// records of six joint angles and the fourteen joint terms that glibc gives
// for them. Every term that computeJointTerms gives here must lie within
// 1 ULP of glibc's, except at the few arguments where glibc itself is further
// than that from the true value (kGlibcErrors): there it must lie within
// 1 ULP of the correctly rounded result. The test prints the largest distance
// and how many terms differ at all. For comparison it prints the same figures
// for MinGW-w64's own libm (x87 fsin/fcos), which the kinematics does not use.
#include <armkin/joint_terms.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr int kTerms = 14;
constexpr int kFields = 6 + kTerms;
const char* const kTermNames[kTerms] = {"c1", "s1", "c2", "s2", "c3",  "s3",  "c4",
                                        "s4", "c5", "s5", "c6", "s6", "c23", "s23"};

std::int64_t ordered(double x) {
  std::int64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  // Sign-magnitude to a monotonic integer scale; -0 lies one step below +0.
  return bits < 0 ? -(bits & INT64_MAX) - 1 : bits;
}

// Distance in units in the last place; two NaNs agree, NaN against a number
// is as far as it gets.
std::uint64_t ulpDistance(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) ? 0 : UINT64_MAX;
  const std::int64_t ia = ordered(a), ib = ordered(b);
  return ia > ib ? std::uint64_t(ia) - std::uint64_t(ib) : std::uint64_t(ib) - std::uint64_t(ia);
}

// Arguments at which glibc (2.36) is more than 1 ULP from the correctly
// rounded result, checked with 20000-bit arithmetic.
struct GlibcError {
  double x;
  bool sine;
  double correct;
};
const GlibcError kGlibcErrors[] = {
    // 6381956970095103 * 2^797, the double nearest a multiple of pi/2, the
    // hardest case of argument reduction: glibc's cosine is 8 ULP off.
    {0x1.6ac5b262ca1ffp+849, false, -0x1.14ae72e6ba22fp-61},
    {-0x1.6ac5b262ca1ffp+849, false, -0x1.14ae72e6ba22fp-61},
};

const GlibcError* knownGlibcError(double x, bool sine) {
  for (const GlibcError& e : kGlibcErrors)
    if (e.x == x && e.sine == sine) return &e;
  return nullptr;
}

struct Tally {
  std::uint64_t maxUlp = 0;
  std::size_t aboveZero = 0;
  std::size_t aboveOne = 0;
  std::size_t count = 0;
  void add(std::uint64_t d) {
    if (d > maxUlp) maxUlp = d;
    if (d > 0) ++aboveZero;
    if (d > 1) ++aboveOne;
    ++count;
  }
};

std::vector<double> readReference() {
  std::ifstream in("trig_reference.bin", std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<double> values(bytes.size() / sizeof(double));
  std::memcpy(values.data(), bytes.data(), values.size() * sizeof(double));
  return values;
}

TEST(WindowsTrig, JointTermsAgreeWithGlibcWithinOneUlp) {
  const std::vector<double> ref = readReference();
  ASSERT_GT(ref.size(), 0u) << "trig_reference.bin missing or empty";
  ASSERT_EQ(ref.size() % kFields, 0u);

  Tally kinematics, mingw;
  std::size_t againstCorrect = 0;
  int reported = 0;
  for (std::size_t row = 0; row < ref.size() / kFields; ++row) {
    const double* r = &ref[row * kFields];
    const armkin::JointVector q{r[0], r[1], r[2], r[3], r[4], r[5]};
    const armkin::JointTerms t = armkin::computeJointTerms(q);
    const double got[kTerms] = {t.c1, t.s1, t.c2, t.s2, t.c3, t.s3,  t.c4,
                                t.s4, t.c5, t.s5, t.c6, t.s6, t.c23, t.s23};
    const double angles[kTerms / 2] = {q.q1, q.q2, q.q3, q.q4, q.q5, q.q6, q.q2 - q.q3};
    for (int k = 0; k < kTerms; ++k) {
      const double x = angles[k / 2];
      const bool sine = k % 2 == 1;
      double want = r[6 + k];
      if (const GlibcError* e = knownGlibcError(x, sine)) {
        want = e->correct;
        ++againstCorrect;
      }
      const std::uint64_t d = ulpDistance(got[k], want);
      kinematics.add(d);
      mingw.add(ulpDistance(sine ? std::sin(x) : std::cos(x), want));
      if (d > 1 && reported < 20) {
        ++reported;
        ADD_FAILURE() << "row " << row << " " << kTermNames[k] << " of " << std::hexfloat << x
                      << ": got " << got[k] << ", expected " << want << std::defaultfloat << " ("
                      << d << " ULP)";
      }
    }
  }
  std::printf("joint terms vs glibc: %zu terms, max %llu ULP, %zu above 0 ULP, %zu above 1 ULP"
              " (%zu held to the correctly rounded value instead)\n",
              kinematics.count, static_cast<unsigned long long>(kinematics.maxUlp),
              kinematics.aboveZero, kinematics.aboveOne, againstCorrect);
  std::printf("MinGW-w64 libm vs glibc, for comparison: %zu above 0 ULP, %zu above 1 ULP\n",
              mingw.aboveZero, mingw.aboveOne);
  EXPECT_LE(kinematics.maxUlp, 1u);
}

}  // namespace
