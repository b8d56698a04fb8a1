// output_format.hpp — how mexrun prints one array that a MEX file handed back.
//
// A header line "out1 = 4x4 double" (name, dimensions joined by 'x', class;
// "complex" and "sparse" in front of the class where they apply), then one
// line per row, for a person to read:
//
//   out1 = 4x4 double
//      1   -0    0    0.057
//      0    1   -0   -0.009999999999999998
//      0    0    1    1.0032999999999999
//      0    0    0    1
//
// Each row is indented by three blanks, columns three apart, every column
// aligned on its decimal points (a number without one aligns where its point
// would be, before any exponent; "NaN" and "Inf" end where the units digits
// do); trailing blanks are dropped. Doubles and singles are the shortest
// decimal that reads back to the same value, integers and logicals integers,
// complex elements "1+2i" aligned on their real part. Columns that would
// make a line longer than 80 characters go into blocks, each headed by a
// line "  Columns 1 through 3", "  Columns 5 and 6" or "  Column 7".
//
// With `hex` every element is instead the hexadecimal digits of its bits,
// one space apart and never split into blocks, for programs to read. Char
// rows print as their text. An empty array, a cell, a struct or a class
// without elements prints its header only. Arrays of more than two
// dimensions print each 2-D page after a line "(:,:,3)". Every line ends in
// "\n".
#pragma once

#include <standin/host.hpp>

#include <string>

namespace mexrun {

std::string formatOutput(const std::string& name, const standin::Value& value, bool hex);

}  // namespace mexrun
