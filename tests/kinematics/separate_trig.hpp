// Cosine and sine called one at a time, from a translation unit built with
// -fno-builtin, so that the compiler cannot fuse the pair into one sincos
// call: the reference the joint terms are checked against.
#pragma once

namespace armkin::testing {

double separateCosine(double x);
double separateSine(double x);

}  // namespace armkin::testing
