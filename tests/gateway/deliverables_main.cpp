// The gateway tests' main: the two built MEX files come from the command line.
#include "deliverables.hpp"

#include <gtest/gtest.h>

#include <iostream>
#include <vector>

namespace gateway_test {

std::vector<Deliverable>& deliverables() {
  static std::vector<Deliverable> all;
  return all;
}

}  // namespace gateway_test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 3) {
    std::cerr << "usage: " << argv[0] << " <armpose MEX file> <armvelmap MEX file>\n";
    return 2;
  }
  gateway_test::deliverables() = {
      {"armpose", argv[1], 4, &gateway_test::expectedPose},
      {"armvelmap", argv[2], 6, &gateway_test::expectedJacobian},
  };
  return RUN_ALL_TESTS();
}
