#!/usr/bin/env python3
"""Golden bit patterns for exact_test.cpp.

A second transcription of the pose and Jacobian formulas, in Python floats:
IEEE-754 doubles without fused multiply-add, and Python evaluates a*b*c as
(a*b)*c and a-b+c as (a-b)+c, the grouping the C++ code follows. Prints the
kPinned table and checks that each rewritten formula of kFaults changes a
pinned value of the first case.

    python3 tests/kinematics/golden_values.py
"""
import math
import struct
from fractions import Fraction


def fma(a, b, c):
    """Fused multiply-add, rounded once."""
    return float(Fraction(a) * Fraction(b) + Fraction(c))



def pose(t):
    c1,c2,c3,c4,c5,c6,s1,s2,s3,s4,s5,s6,c23,s23 = t
    x1 = c4*s1 + s4*(c23*c1)
    x2 = s4*s1 - c23*c1*c4
    x3 = c5*x1 + c1*s23*s5
    y1 = c4*c1 - c23*s1*s4
    y2 = c4*c23*s1 + s4*c1
    y3 = c5*y1 - s1*s23*s5
    z1 = c23*s5 - c5*s23*s4
    T = [[0.0]*4 for _ in range(4)]
    T[0][0] = -s6*x3 - c6*x2
    T[0][1] = s6*x2 - c6*x3
    T[0][2] = x1*s5 - c1*s23*c5
    T[0][3] = T[0][2]*0.235 - x2*0.057 + 0.03*s1 - 0.02*s1 - 0.28*c1*s2 - 0.245*s23*c1
    T[1][0] = s6*y3 + c6*y2
    T[1][1] = y3*c6 - s6*y2
    T[1][2] = -s5*y1 - s1*(c5*s23)
    T[1][3] = c1*0.02 + (y2*0.057 - (s1*(c5*s23) + y1*s5)*0.235 - 0.03*c1) - 0.28*s1*s2 - s1*(0.245*s23)
    T[2][0] = s6*z1 + c6*(c4*s23)
    T[2][1] = z1*c6 - s6*(c4*s23)
    T[2][2] = s4*s23*s5 + c5*c23
    T[2][3] = T[2][2]*0.235 + (0.28*c2 + 0.2433) + 0.245*c23 + s23*0.057*c4
    T[3][3] = 1.0
    return T


def jac(t):
    c1,c2,c3,c4,c5,c6,s1,s2,s3,s4,s5,s6,c23,s23 = t
    u5x = c23*c1*c4 - s1*s4
    u5y = c23*c4*s1 + c1*s4
    u5z = c4*s23
    u6x = (c4*s1 + s4*(c23*c1))*s5 - c1*s23*c5
    u6y = -s5*(c1*c4 - c23*s1*s4) - c5*s23*s1
    u6z = s4*s23*s5 + c5*c23
    r2z = 0.28*c2 + 0.235*u6z + 0.245*c23 + 0.057*s23*c4
    r3z = 0.235*u6z + 0.245*c23 + 0.057*s23*c4
    J = [[0.0]*6 for _ in range(6)]
    J[0][0] = -0.235*u6y - 0.057*u5y + 0.03*c1 - 0.02*c1 + 0.28*s1*s2 + 0.245*s23*s1
    J[0][1] = -c1*r2z
    J[0][2] = c1*r3z
    J[0][3] = 0.235*c23*c1*c4*s5 - 0.235*s1*s4*s5 - 0.057*c23*c1*s4 - 0.057*c4*s1
    J[0][4] = 0.235*(c5*c4*s1 + s5*(c1*s23) + c5*(c23*c1)*s4)
    J[1][0] = 0.235*u6x + 0.057*u5x + 0.03*s1 - 0.02*s1 - 0.28*c1*s2 - 0.245*s23*c1
    J[1][1] = -s1*r2z
    J[1][2] = s1*r3z
    J[1][3] = 0.235*c1*s4*s5 + 0.057*c1*c4 - 0.057*c23*s1*s4 + 0.235*c23*c4*s1*s5
    J[1][4] = 0.235*(s1*s23*s5 - c1*c4*c5 + c5*c23*s1*s4)
    J[2][1] = 0.057*c2*c3*c4 + (0.245*c2*s3 - 0.28*s2 - 0.245*c3*s2) + c5*(0.235*c2)*s3 - 0.235*c3*c5*s2 + 0.057*c4*s2*s3 + c3*(0.235*c2)*s4*s5 + 0.235*s2*s3*s4*s5
    J[2][2] = 0.245*s23 - 0.057*c23*c4 + 0.235*s23*c5 - 0.235*c23*s4*s5
    J[2][3] = -s23*(0.057*s4 - 0.235*c4*s5)
    J[2][4] = s4*(0.235*s23*c5) - 0.235*c23*s5
    J[5][0] = 1.0
    J[3][1] = s1; J[4][1] = -c1
    J[3][2] = -s1; J[4][2] = c1
    J[3][3] = -c1*s23; J[4][3] = -s1*s23; J[5][3] = c23
    J[3][4] = u5x; J[4][4] = u5y; J[5][4] = u5z
    J[3][5] = u6x; J[4][5] = u6y; J[5][5] = u6z
    return J


def faults(t):
    """(name, kind, r, c, faulty value) — each breaks one grouping rule."""
    c1,c2,c3,c4,c5,c6,s1,s2,s3,s4,s5,s6,c23,s23 = t
    T = pose(t); J = jac(t)
    x1 = c4*s1 + s4*(c23*c1); x2 = s4*s1 - c23*c1*c4
    y1 = c4*c1 - c23*s1*s4; y2 = c4*c23*s1 + s4*c1
    X = s1*(c5*s23) + y1*s5
    u5x = c23*c1*c4 - s1*s4; u5y = c23*c4*s1 + c1*s4
    u6x = J[3][5]; u6y = J[4][5]; u6z = J[5][5]
    r3z = 0.235*u6z + 0.245*c23 + 0.057*s23*c4
    return [
     ("T(1,4) 0.03/0.02 merged", 'T',1,4, T[0][2]*0.235 - x2*0.057 + 0.01*s1 - 0.28*c1*s2 - 0.245*s23*c1),
     ("T(2,4) 0.03/0.02 merged", 'T',2,4, (y2*0.057 - X*0.235 - 0.01*c1) - 0.28*s1*s2 - s1*(0.245*s23)),
     ("T(2,4) bracket dropped", 'T',2,4, c1*0.02 + y2*0.057 - X*0.235 - 0.03*c1 - 0.28*s1*s2 - s1*(0.245*s23)),
     ("T(3,4) 0.2433 in the chain", 'T',3,4, T[2][2]*0.235 + 0.28*c2 + 0.2433 + 0.245*c23 + s23*0.057*c4),
     ("T(1,4) chain right to left", 'T',1,4, T[0][2]*0.235 + (-x2*0.057 + (0.03*s1 + (-0.02*s1 + (-0.28*c1*s2 - 0.245*s23*c1))))),
     ("T(1,3) fused", 'T',1,3, fma(x1, s5, -(c1*s23*c5))),
     ("J(1,1) 0.03/0.02 merged", 'J',1,1, -0.235*u6y - 0.057*u5y + 0.01*c1 + 0.28*s1*s2 + 0.245*s23*s1),
     ("J(2,1) 0.03/0.02 merged", 'J',2,1, 0.235*u6x + 0.057*u5x + 0.01*s1 - 0.28*c1*s2 - 0.245*s23*c1),
     ("J(1,2) r2z from r3z", 'J',1,2, -c1*(0.28*c2 + r3z)),
     ("J(3,2) from c23 and s23", 'J',3,2, -0.28*s2 - J[2][2]),
     ("J(1,4) product chain regrouped", 'J',1,4, 0.235*(c23*c1*c4*s5) - 0.235*s1*s4*s5 - 0.057*c23*c1*s4 - 0.057*c4*s1),
     ("J(6,6) fused", 'J',6,6, fma(s4*s23, s5, c5*c23)),
    ]


def check(t):
    T = pose(t); J = jac(t)
    """The rewritten formulas that leave their entry unchanged."""
    bad = []
    for name, k, r, c, v in faults(t):
        ref = (T if k == 'T' else J)[r-1][c-1]
        if v == ref: bad.append(name)
    return bad


def hx(v):
    return "0x%016x" % struct.unpack("<Q", struct.pack("<d", v))[0]


def main():
    chosen = ["0.2", "-1.0 / 3.0", "0.8", "0.6", "0.3", "-0.15", "1.0 / 7.0", "1.0 / 3.0",
              "0.9", "0.35", "0.8", "2.0 / 3.0", "-0.4", "1.0 / 3.0"]
    a = [eval(s) for s in chosen]
    q = [0.3, -1.1, 0.8, 2.5, -0.7, 1.9]
    b = [math.cos(x) for x in q] + [math.sin(x) for x in q] + [math.cos(q[1] - q[2]), math.sin(q[1] - q[2])]
    assert not check(a), "a rewritten formula leaves the chosen terms' value unchanged: %s" % check(a)
    cases = (("chosen terms", a, chosen),
             ("terms of q = (0.3, -1.1, 0.8, 2.5, -0.7, 1.9)", b, [v.hex() for v in b]))
    for name, t, src in cases:
        T, J = pose(t), jac(t)
        print('    {"%s",\n     {%s,\n      %s,\n      %s},' % (name, ", ".join(src[0:6]), ", ".join(src[6:12]),
                                                           ", ".join(src[12:14])))
        print("     {" + ",\n      ".join(", ".join(hx(v) for v in row) for row in T) + "},")
        print("     {" + ",\n      ".join(", ".join(hx(v) for v in row) for row in J) + "}},")


if __name__ == "__main__":
    main()
