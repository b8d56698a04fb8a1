// Number layout: exact texts for the cases a reader checks by eye, and the
// round trip that makes the decimals trustworthy.
#include "number_format.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace mexrun {
namespace {

double fromBits(std::uint64_t b) {
  double x;
  std::memcpy(&x, &b, sizeof x);
  return x;
}

TEST(NumberFormat, Texts) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct {
    double value;
    const char* shortest;
    const char* hex;
  } cases[] = {
      {0.0, "0", "0000000000000000"},
      {-0.0, "-0", "8000000000000000"},
      {1.0, "1", "3ff0000000000000"},
      {-1.5, "-1.5", "bff8000000000000"},
      {0.057, "0.057", "3fad2f1a9fbe76c9"},
      {1.0032999999999999, "1.0032999999999999", "3ff00d844d013a92"},
      {-0.009999999999999998, "-0.009999999999999998", "bf847ae147ae147a"},
      {0.1 + 0.2, "0.30000000000000004", "3fd3333333333334"},
      {0.0001, "0.0001", "3f1a36e2eb1c432d"},
      {0.00001, "1e-05", "3ee4f8b588e368f1"},
      {1.5e-7, "1.5e-07", "3e8421f5f40d8376"},
      {100000.0, "100000", "40f86a0000000000"},
      {12345678901234567.0, "12345678901234568", "4345ee2a2eb5a5c4"},
      {1e17, "1e+17", "4376345785d8a000"},
      {1.5e300, "1.5e+300", "7e41eb2d66005835"},
      {5e-324, "5e-324", "0000000000000001"},
      {std::numeric_limits<double>::max(), "1.7976931348623157e+308", "7fefffffffffffff"},
      {kInf, "Inf", "7ff0000000000000"},
      {-kInf, "-Inf", "fff0000000000000"},
      {fromBits(0x7ff8000000000000), "NaN", "7ff8000000000000"},
      {fromBits(0xfff8000000000001), "NaN", "fff8000000000001"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shortest);
    EXPECT_EQ(formatShortest(c.value), c.shortest);
    EXPECT_EQ(formatHex(c.value), c.hex);
  }
}

TEST(NumberFormat, SingleTexts) {
  struct {
    float value;
    const char* shortest;
    const char* hex;
  } cases[] = {
      {0.1f, "0.1", "3dcccccd"},
      {-0.0f, "-0", "80000000"},
      {16777216.0f, "16777216", "4b800000"},
      {std::numeric_limits<float>::infinity(), "Inf", "7f800000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shortest);
    EXPECT_EQ(formatShortest(c.value), c.shortest);
    EXPECT_EQ(formatHex(c.value), c.hex);
  }
}

// Significant digits of a formatted number: no sign, exponent, point, or
// leading and trailing zeros.
std::size_t significantDigits(const std::string& text) {
  std::string digits;
  for (char ch : text.substr(0, text.find('e'))) {
    if (ch >= '0' && ch <= '9') digits += ch;
  }
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 1;
  return digits.find_last_not_of('0') - first + 1;
}

// Every finite double reads back bit for bit, and with one significant digit
// fewer no decimal would: the text is the shortest round-trip form. Random
// bit patterns cover every exponent; values near 1 the plain layout.
TEST(NumberFormat, ShortestTextReadsBackAndIsShortest) {
  std::mt19937_64 random(20261211);
  std::uniform_real_distribution<double> nearOne(-20.0, 20.0);
  for (int i = 0; i < 100000; ++i) {
    const double x = i % 2 == 0 ? fromBits(random()) : nearOne(random);
    if (!std::isfinite(x)) continue;
    const std::string text = formatShortest(x);
    const double back = std::strtod(text.c_str(), nullptr);
    ASSERT_EQ(std::memcmp(&back, &x, sizeof x), 0) << text;
    const std::size_t digits = significantDigits(text);
    if (digits < 2) continue;
    char shorter[64];
    std::snprintf(shorter, sizeof shorter, "%.*e", static_cast<int>(digits) - 2, x);
    const double near = std::strtod(shorter, nullptr);
    ASSERT_NE(std::memcmp(&near, &x, sizeof x), 0) << text << " could be " << shorter;
  }
}

}  // namespace
}  // namespace mexrun
