// number_format.cpp — shortest round-trip digits from std::to_chars, then
// MATLAB's layout.
#include "number_format.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace mexrun {
namespace {

// Lays out the scientific form "-d.ddde±xx" that std::to_chars gives.
std::string layout(const std::string& sci) {
  std::string out;
  std::size_t k = 0;
  if (sci[k] == '-') {
    out += '-';
    ++k;
  }
  const std::size_t e = sci.find('e');
  std::string digits;
  for (std::size_t i = k; i < e; ++i) {
    if (sci[i] != '.') digits += sci[i];
  }
  const int exponent = std::atoi(sci.c_str() + e + 1);

  if (exponent < -4 || exponent > 16) {
    out += digits[0];
    if (digits.size() > 1) {
      out += '.';
      out.append(digits, 1, std::string::npos);
    }
    out += exponent < 0 ? "e-" : "e+";
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10) out += '0';
    out += std::to_string(magnitude);
    return out;
  }
  if (exponent < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
    return out;
  }
  const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= integerDigits) {
    out += digits;
    out.append(integerDigits - digits.size(), '0');
  } else {
    out.append(digits, 0, integerDigits);
    out += '.';
    out.append(digits, integerDigits, std::string::npos);
  }
  return out;
}

template <typename T>
std::string shortest(T value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  return layout(std::string(buffer, result.ptr));
}

template <typename Bits, typename T>
std::string hex(T value) {
  Bits bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  static const char kDigits[] = "0123456789abcdef";
  std::string out(2 * sizeof bits, '0');
  for (std::size_t i = out.size(); i-- > 0;) {
    out[i] = kDigits[bits & 0xF];
    bits = static_cast<Bits>(bits >> 4);
  }
  return out;
}

}  // namespace

std::string formatShortest(double value) { return shortest(value); }
std::string formatShortest(float value) { return shortest(value); }
std::string formatHex(double value) { return hex<std::uint64_t>(value); }
std::string formatHex(float value) { return hex<std::uint32_t>(value); }

}  // namespace mexrun
