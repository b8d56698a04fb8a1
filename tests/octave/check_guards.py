#!/usr/bin/env python3
"""The kinematics sources in the Octave package refuse an inexact build.

    check_guards.py --mkoctfile mkoctfile --package ARCHIVE

The package's Makefile appends the exactness flags to the user's CXXFLAGS,
which undoes fast-math, contraction and x87 (the package test builds it
with such flags and compares the bits). A build that goes around the
Makefile, mkoctfile run by hand on the sources, has nothing to undo them:
there the sources' own guards must stop the compiler with their message,
for each translation unit of the kinematics.
"""
import argparse
import glob
import os
import subprocess
import sys
import tarfile
import tempfile

HOSTILE = [
    ("-O2 -ffast-math", "must not be built with fast-math"),
    ("-O2 -Ofast", "must not be built with fast-math"),
    ("-O2 -mfpmath=387", "the arm kinematics needs"),
]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--mkoctfile", required=True)
    parser.add_argument("--package", required=True)
    args = parser.parse_args()

    failures = []
    with tempfile.TemporaryDirectory(prefix="armkin-guards-") as root:
        with tarfile.open(args.package) as tar:
            tar.extractall(root)
        src = os.path.join(root, "armkin", "src")
        sources = sorted(glob.glob(os.path.join(src, "kinematics", "src", "*.cpp")))
        if len(sources) != 3:
            failures.append(f"expected the three kinematics sources in the package, found {sources}")
        for flags, message in HOSTILE:
            for source in sources:
                env = dict(os.environ, CXXFLAGS=flags)
                done = subprocess.run([args.mkoctfile, "-c", "-Ikinematics/include", "-Ikinematics/src",
                                       os.path.relpath(source, src), "-o", os.path.join(root, "out.o")],
                                      cwd=src, env=env, capture_output=True, text=True, check=False)
                if done.returncode == 0 or message not in done.stderr:
                    failures.append(f"CXXFLAGS='{flags}' {os.path.basename(source)}: exit {done.returncode}, "
                                    f"expected {message!r} in:\n{done.stderr[-1500:]}")
        # The same flags through the package's Makefile are undone: it builds.
        env = dict(os.environ, CXXFLAGS=" ".join(f for f, _ in HOSTILE), MKOCTFILE=args.mkoctfile)
        done = subprocess.run(["make", "-s"], cwd=src, env=env, capture_output=True, text=True, check=False)
        if done.returncode != 0:
            failures.append(f"the Makefile did not undo the flags:\n{done.stdout[-1500:]}{done.stderr[-1500:]}")

    for line in failures:
        print(line, file=sys.stderr)
    print(f"{len(failures)} failure(s)" if failures else "the guards stop every inexact build of the sources")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
