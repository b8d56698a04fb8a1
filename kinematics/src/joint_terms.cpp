#include <armkin/joint_terms.hpp>

#include "detail/exact_arithmetic.hpp"
#include "detail/trig.hpp"

namespace armkin {

JointTerms computeJointTerms(const JointVector& q) noexcept {
  using detail::cosine;
  using detail::sine;

  JointTerms t;
  t.c1 = cosine(q.q1);
  t.s1 = sine(q.q1);
  t.c2 = cosine(q.q2);
  t.s2 = sine(q.q2);
  t.c3 = cosine(q.q3);
  t.s3 = sine(q.q3);
  t.c4 = cosine(q.q4);
  t.s4 = sine(q.q4);
  t.c5 = cosine(q.q5);
  t.s5 = sine(q.q5);
  t.c6 = cosine(q.q6);
  t.s6 = sine(q.q6);

  // q3 taken from q2, never the other way round; c23 and s23 come from the
  // difference itself, not from the angle-difference identities.
  const double q23 = q.q2 - q.q3;
  t.c23 = cosine(q23);
  t.s23 = sine(q23);
  return t;
}

}  // namespace armkin
