// Prints what `mexrun --hex` must print for armpose or armvelmap at the given
// angles, computed by the kinematics library itself:
//
//   mexrun_kinematics_reference pose|jacobian q1 q2 q3 q4 q5 q6
//
// Angles are decimals, NaN, Inf or -Inf, read as mexrun reads them.
#include <armkin/jacobian.hpp>
#include <armkin/pose.hpp>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "number_format.hpp"

namespace {

bool angle(const char* text, double& value) {
  const char* end = text + std::strlen(text);
  auto [ptr, ec] = std::from_chars(text, end, value);
  return ec == std::errc() && ptr == end;
}

template <int N>
void print(const armkin::Matrix<N>& m) {
  std::string out = "out1 = " + std::to_string(N) + "x" + std::to_string(N) + " double\n";
  for (int r = 1; r <= N; ++r) {
    for (int c = 1; c <= N; ++c) {
      if (c != 1) out += ' ';
      out += mexrun::formatHex(m(r, c));
    }
    out += '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  double q[6];
  bool ok = argc == 8;
  for (int k = 0; ok && k < 6; ++k) ok = angle(argv[k + 2], q[k]);
  const std::string what = argc > 1 ? argv[1] : "";
  if (!ok || (what != "pose" && what != "jacobian")) {
    std::fprintf(stderr, "usage: mexrun_kinematics_reference pose|jacobian q1 q2 q3 q4 q5 q6\n");
    return 64;
  }
  const armkin::JointVector joints{q[0], q[1], q[2], q[3], q[4], q[5]};
  if (what == "pose") {
    print(armkin::computeEndEffectorPose(joints));
  } else {
    print(armkin::computeGeometricJacobian(joints));
  }
  return 0;
}
