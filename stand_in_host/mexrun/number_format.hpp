// number_format.hpp — how mexrun writes one double.
//
// `formatShortest` gives the shortest decimal that reads back to the same
// double, laid out as a MATLAB user reads numbers: plain digits while the
// decimal exponent is from -4 to 16 ("0.057", "1.0032999999999999",
// "100000", "0.0001"), otherwise a mantissa with a signed exponent of at
// least two digits ("1e-05", "1.5e+17"), as C's %g lays them out. The sign
// of zero is kept ("-0"); the special
// values are "NaN", "Inf" and "-Inf".
//
// `formatHex` gives the 16 lower-case hexadecimal digits of the IEEE-754
// bits, sign bit first: 1.0 is "3ff0000000000000", -0 is "8000000000000000".
//
// The float overloads do the same for single values: the shortest decimal
// that reads back to the same float, and its 8 hexadecimal digits.
#pragma once

#include <string>

namespace mexrun {

std::string formatShortest(double value);
std::string formatShortest(float value);
std::string formatHex(double value);
std::string formatHex(float value);

}  // namespace mexrun
