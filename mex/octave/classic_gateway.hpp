// classic_gateway.hpp — the classic-API call shared by armpose and armvelmap
// in GNU Octave, which loads a MEX file through mexFunction alone.
//
// answerClassicCall<N, compute>(plhs, nrhs, prhs) answers R = f(q) with the
// same contract as the MATLAB edition: q1 … q6 are rows 1 to 6 of column 1
// of prhs[0], a real full double array; further rows, columns and arguments
// are never read. plhs[0] is filled even when the caller asked for no output
// (the host then sets ans). It returns nullptr on success, otherwise the text
// the MATLAB edition's host reports for the same input, checked in the order
// that host meets the fault:
//   no input                         "ArgumentList index out of range."
//   not a real full double array     "Can't convert the Array to this TypedArray"
//   no elements                      "Can't index into an empty array."
//   more than two dimensions         "Not enough indices provided."
//   fewer than six rows              "Array index is invalid."
//   the host out of memory           "Not enough memory available to support the request."
// Nothing leaves it: every exception becomes a returned text. The caller
// raises the error after the handler has ended, because the host's error
// call itself leaves by throwing.
//
//   const char* failure = armkin::octave::answerClassicCall<4, armkin::computeEndEffectorPose>(plhs, nrhs, prhs);
#pragma once

#include <armkin/joint_vector.hpp>
#include <armkin/matrix.hpp>

#include <mex.h>

#include <cstddef>
#include <cstring>
#include <exception>
#include <new>

namespace armkin::octave {

template <int N>
using KinematicsOperation = Matrix<N> (*)(const JointVector&) noexcept;

// Room for an exception's own text, copied out before its handler ends.
struct FailureText {
  char text[256] = {};
  const char* keep(const char* what) noexcept {
    std::strncpy(text, what, sizeof text - 1);
    return text;
  }
};

template <int N, KinematicsOperation<N> compute>
const char* answerClassicCallUnguarded(mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  if (nrhs < 1) return "ArgumentList index out of range.";
  const mxArray* angles = prhs[0];
  if (!mxIsDouble(angles) || mxIsComplex(angles) || mxIsSparse(angles)) {
    return "Can't convert the Array to this TypedArray";
  }
  if (mxGetNumberOfElements(angles) == 0) return "Can't index into an empty array.";
  if (mxGetNumberOfDimensions(angles) > 2) return "Not enough indices provided.";
  if (mxGetM(angles) < 6) return "Array index is invalid.";

  const double* column = mxGetPr(angles);
  const JointVector q{column[0], column[1], column[2], column[3], column[4], column[5]};
  const Matrix<N> m = compute(q);

  constexpr std::size_t kSize = static_cast<std::size_t>(N);
  mxArray* result = mxCreateDoubleMatrix(kSize, kSize, mxREAL);
  if (result == nullptr) return "Not enough memory available to support the request.";
  double* out = mxGetPr(result);  // column-major
  for (int c = 1; c <= N; ++c) {
    for (int r = 1; r <= N; ++r) {
      out[static_cast<std::size_t>(c - 1) * kSize + static_cast<std::size_t>(r - 1)] = m(r, c);
    }
  }
  plhs[0] = result;
  return nullptr;
}

template <int N, KinematicsOperation<N> compute>
const char* answerClassicCall(FailureText& failure, mxArray* plhs[], int nrhs, const mxArray* prhs[]) noexcept {
  try {
    return answerClassicCallUnguarded<N, compute>(plhs, nrhs, prhs);
  } catch (const std::bad_alloc&) {
    return "Not enough memory available to support the request.";
  } catch (const std::exception& e) {
    return failure.keep(e.what());
  } catch (...) {
    return "Unknown exception thrown.";
  }
}

}  // namespace armkin::octave

// The one symbol the host looks up; everything else stays hidden.
#if defined(_WIN32)
#define ARMKIN_MEX_FUNCTION extern "C" __declspec(dllexport) void mexFunction
#else
#define ARMKIN_MEX_FUNCTION extern "C" __attribute__((visibility("default"))) void mexFunction
#endif

// The body of mexFunction for one kinematics operation: the error, if any,
// is raised here, outside every handler.
#define ARMKIN_CLASSIC_GATEWAY(N, compute)                                                        \
  ARMKIN_MEX_FUNCTION(int /*nlhs*/, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {           \
    armkin::octave::FailureText failure;                                                          \
    const char* message = armkin::octave::answerClassicCall<N, compute>(failure, plhs, nrhs, prhs); \
    if (message != nullptr) mexErrMsgIdAndTxt("", "%s", message);                                 \
  }
