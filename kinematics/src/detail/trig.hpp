// The cosine and sine behind the joint terms, in one place.
//
// Only joint_terms.cpp includes this header, so the math library enters the
// kinematics in that one translation unit. A platform whose build must take
// cosine and sine from a particular runtime replaces these two bodies.
#pragma once

#include <cmath>

#if defined(__MINGW32__)
// MinGW-w64's libm computes double cosine and sine with the x87 fcos/fsin
// instructions, which go wrong as the angle grows (sin(1e22) has the wrong
// sign). Windows builds take them from the Universal CRT instead, imported
// under names of their own (tools/windows/ucrt_math.def, linked with the
// kinematics library).
extern "C" __declspec(dllimport) double armkin_ucrt_cos(double x);
extern "C" __declspec(dllimport) double armkin_ucrt_sin(double x);

namespace armkin::detail {

inline double cosine(double x) noexcept { return armkin_ucrt_cos(x); }
inline double sine(double x) noexcept { return armkin_ucrt_sin(x); }

}  // namespace armkin::detail
#else
namespace armkin::detail {

inline double cosine(double x) noexcept { return std::cos(x); }
inline double sine(double x) noexcept { return std::sin(x); }

}  // namespace armkin::detail
#endif
