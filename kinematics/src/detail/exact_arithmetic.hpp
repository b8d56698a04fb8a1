// Compile-time guards for the translation units that evaluate the kinematics.
//
// Every entry of the pose and the Jacobian is fixed to the last bit given the
// joint terms: IEEE-754 doubles, each multiplication, addition and subtraction
// rounded by itself, no fused multiply-add, no wider intermediates, no
// reassociation. The build adds -ffp-contract=off (/fp:precise with MSVC) and
// SSE2 arithmetic on x86; what can be checked here is checked here.
#pragma once

#include <cfloat>

#if defined(__FAST_MATH__)
#error "the arm kinematics must not be built with fast-math: its results are exact to the last bit"
#endif

#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD != 0
#error "the arm kinematics needs double arithmetic without wider intermediates (SSE2 on x86, not x87)"
#endif

#if (defined(__x86_64__) || defined(__i386__)) && !defined(__SSE2_MATH__)
#error "the arm kinematics needs SSE2 double arithmetic (-mfpmath=sse -msse2), not x87"
#endif

#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#elif defined(_MSC_VER)
#pragma float_control(precise, on)
#pragma fp_contract(off)
#endif
