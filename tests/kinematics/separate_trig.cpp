#include "separate_trig.hpp"

// The kinematics' own choice of cosine and sine, so the reference follows it
// on every platform.
#include "detail/trig.hpp"

namespace armkin::testing {

double separateCosine(double x) { return detail::cosine(x); }
double separateSine(double x) { return detail::sine(x); }

}  // namespace armkin::testing
