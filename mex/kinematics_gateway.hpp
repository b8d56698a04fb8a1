// kinematics_gateway.hpp — the call operator shared by armpose and armvelmap.
//
// runKinematicsGateway<N, compute>(outputs, inputs) answers one MATLAB call
// R = f(q): it reads q1 … q6 from rows 1 to 6 of column 1 of inputs[0] (each
// element once, in that order), evaluates compute(q) and returns the N×N
// result as a new double array in outputs[0]. Further rows, columns and
// arguments are never looked at.
//
// Order of the host work, which the error a caller sees depends on:
//   1. the array factory is created;
//   2. inputs[0] (no input: "ArgumentList index out of range.");
//   3. inputs[0] viewed as double (any other class: "Can't convert the Array
//      to this TypedArray");
//   4. the six reads ([0][0] … [5][0]; an element the array lacks fails with
//      the host's status message);
//   5. the N×N double array is created;
//   6. every entry written, row by row, each row by ascending column, fixed
//      zeros and ones included;
//   7. outputs[0] (no output slot: "ArgumentList index out of range.", the
//      written result is discarded);
//   8. slot 0 shares the result.
// On any failure no output slot has been assigned and everything the call
// made is released.
//
//   void operator()(matlab::mex::ArgumentList outputs, matlab::mex::ArgumentList inputs) override {
//     armkin::mex::runKinematicsGateway<4, armkin::computeEndEffectorPose>(outputs, inputs);
//   }
#pragma once

#include <armkin/joint_vector.hpp>
#include <armkin/matrix.hpp>

#include <matlab/data/array_factory.hpp>
#include <matlab/data/typed_array.hpp>
#include <matlab/mex/argument_list.hpp>

#include <cstddef>

namespace armkin::mex {

template <int N>
using KinematicsOperation = Matrix<N> (*)(const JointVector&) noexcept;

template <int N, KinematicsOperation<N> compute>
void runKinematicsGateway(matlab::mex::ArgumentList outputs, matlab::mex::ArgumentList inputs) {
  matlab::data::ArrayFactory factory;
  matlab::data::TypedArray<double> angles = inputs[0];

  JointVector q;
  q.q1 = angles[0][0];
  q.q2 = angles[1][0];
  q.q3 = angles[2][0];
  q.q4 = angles[3][0];
  q.q5 = angles[4][0];
  q.q6 = angles[5][0];

  constexpr std::size_t kSize = static_cast<std::size_t>(N);
  matlab::data::TypedArray<double> result = factory.createArray<double>({kSize, kSize});
  const Matrix<N> m = compute(q);
  for (int r = 1; r <= N; ++r) {
    for (int c = 1; c <= N; ++c) {
      result[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(c - 1)] = m(r, c);
    }
  }

  outputs[0] = result;
}

}  // namespace armkin::mex
