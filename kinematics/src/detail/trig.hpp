// The cosine and sine behind the joint terms, in one place.
//
// Only joint_terms.cpp includes this header, so the math library enters the
// kinematics in that one translation unit. A platform whose build must take
// cosine and sine from a particular runtime replaces these two bodies.
#pragma once

#include <cmath>

namespace armkin::detail {

inline double cosine(double x) noexcept { return std::cos(x); }
inline double sine(double x) noexcept { return std::sin(x); }

}  // namespace armkin::detail
