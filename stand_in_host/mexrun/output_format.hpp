// output_format.hpp — how mexrun prints one array that a MEX file handed back.
//
// A header line "out1 = 4x4 double" (name, dimensions joined by 'x', class;
// "complex" and "sparse" in front of the class where they apply), then one
// line per row, elements separated by single spaces: doubles and singles as
// the shortest decimal that reads back to the same value (or, with `hex`,
// the hexadecimal digits of their bits), integers and logicals as integers,
// complex elements as "1+2i", char rows as their text. An empty array, a
// cell, a struct or a class without elements prints its header only. Arrays
// of more than two dimensions print each 2-D page after a line "(:,:,3)".
// Every line ends in "\n".
#pragma once

#include <standin/host.hpp>

#include <string>

namespace mexrun {

std::string formatOutput(const std::string& name, const standin::Value& value, bool hex);

}  // namespace mexrun
