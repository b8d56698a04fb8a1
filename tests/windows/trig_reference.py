#!/usr/bin/env python3
"""Writes the reference for the Windows sine/cosine accuracy test.

    trig_reference.py OUTPUT [COUNT]

OUTPUT gets COUNT records (default 25000) of 20 little-endian doubles each:
the joint angles q1 ... q6, then the joint terms c1 s1 c2 s2 ... c6 s6 c23
s23, computed here with the build machine's C library (CPython's math.cos and
math.sin call it directly). The angles are drawn with a fixed seed from
several ranges: within one turn, moderate, huge (up to 1e300) and tiny
magnitudes, near multiples of pi/2, and a few fixed hard cases.
"""
import math
import random
import struct
import sys

FIXED = [0.0, -0.0, 5e-324, 1e-300, 1e-8, 0.5, 1.0, math.pi / 2, math.pi, 2 * math.pi,
         355.0, 1e6, -1e6, 1e22, -1e22, 1.7976931348623157e308, 6381956970095103.0 * 2.0**797,
         float("inf"), float("-inf"), float("nan")]


def angle(rng):
    kind = rng.randrange(6)
    if kind == 0:
        return rng.uniform(-math.pi, math.pi)
    if kind == 1:
        return rng.uniform(-1000.0, 1000.0)
    if kind == 2:
        return rng.choice((-1.0, 1.0)) * 10.0 ** rng.uniform(3.0, 300.0)
    if kind == 3:
        return rng.choice((-1.0, 1.0)) * 10.0 ** rng.uniform(-30.0, 0.0)
    if kind == 4:
        # Next to a multiple of pi/2, where the reduction loses most bits.
        x = rng.randrange(1, 1 << 20) * (math.pi / 2)
        for _ in range(rng.randrange(4)):
            x = math.nextafter(x, rng.choice((-math.inf, math.inf)))
        return x
    return rng.choice(FIXED)


def main():
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 25000
    rng = random.Random(20240611)
    with open(out, "wb") as f:
        for _ in range(count):
            q = [angle(rng) for _ in range(6)]
            terms = []
            for x in q:
                terms += [math.cos(x) if math.isfinite(x) else math.nan,
                          math.sin(x) if math.isfinite(x) else math.nan]
            d = q[1] - q[2]
            terms += [math.cos(d) if math.isfinite(d) else math.nan,
                      math.sin(d) if math.isfinite(d) else math.nan]
            f.write(struct.pack("<20d", *q, *terms))


if __name__ == "__main__":
    main()
