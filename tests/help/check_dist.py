#!/usr/bin/env python3
"""Runs the dist packing script on a scratch dist/ and checks its archive.

    check_dist.py --pack PACK_SCRIPT --folder HELP_FOLDER --version X.Y.Z

The scratch dist/ holds stand-in MEX files of both platforms and a stand-in
host folder, as `make dist` leaves them. The archive must hold exactly the
MATLAB user's folder, armkin/, with every file's SHA-256 in SHA256SUMS, and
the help files as configured; the stand-in host stays out. Without a
Windows MEX file the script must refuse to pack.
"""

import argparse
import hashlib
import os
import subprocess
import sys
import tempfile
import zipfile

MEX = ["armpose.mexa64", "armpose.mexw64", "armvelmap.mexa64", "armvelmap.mexw64"]
TEXT = ["armpose.m", "armvelmap.m", "armkin_selftest.m", "Contents.m", "README.md"]

failures = []


def fail(message):
    failures.append(message)


def scratch_dist(root, mex_files):
    dist = os.path.join(root, "dist")
    os.makedirs(os.path.join(dist, "host"))
    with open(os.path.join(dist, "host", "mexrun"), "wb") as f:
        f.write(b"host program\n")
    for name in mex_files:
        with open(os.path.join(dist, name), "wb") as f:
            f.write(f"stand-in {name}\n".encode())
    return dist


def sums(text):
    """SHA256SUMS text -> {name: digest}, in sha256sum's '<hex>  <name>' form."""
    out = {}
    for line in text.splitlines():
        digest, sep, name = line.partition("  ")
        if not sep or len(digest) != 64:
            fail(f"SHA256SUMS line {line!r} is not '<sha256>  <name>'")
            continue
        out[name] = digest
    return out


def check_archive(args, dist):
    archive = os.path.join(dist, f"armkin-{args.version}.zip")
    if not os.path.isfile(archive):
        fail(f"no {os.path.basename(archive)} in dist/: {sorted(os.listdir(dist))}")
        return
    expected = sorted(MEX + TEXT + ["arm.png", "SHA256SUMS"])
    with zipfile.ZipFile(archive) as z:
        if z.testzip() is not None:
            fail("the archive has a damaged entry")
        names = z.namelist()
        files = sorted(n[len("armkin/"):] for n in names
                       if n.startswith("armkin/") and not n.endswith("/"))
        if files != expected or any(not n.startswith("armkin/") for n in names):
            fail(f"archive holds {names}, expected armkin/ with {expected}")
            return
        listed = z.read("armkin/SHA256SUMS").decode()
        listing = sums(listed)
        if sorted(listing) != sorted(set(expected) - {"SHA256SUMS"}):
            fail(f"SHA256SUMS lists {sorted(listing)}")
        for name, digest in listing.items():
            if hashlib.sha256(z.read(f"armkin/{name}")).hexdigest() != digest:
                fail(f"SHA256SUMS is wrong for {name}")
        for name in TEXT:
            with open(os.path.join(args.folder, name), "rb") as f:
                if z.read(f"armkin/{name}") != f.read():
                    fail(f"armkin/{name} differs from the configured {name}")
        for name in MEX:
            if z.read(f"armkin/{name}") != f"stand-in {name}\n".encode():
                fail(f"armkin/{name} is not the MEX file from dist/")
    with open(os.path.join(dist, "SHA256SUMS"), encoding="utf-8") as f:
        if f.read() != listed:
            fail("dist/SHA256SUMS differs from the archive's")
    for name in TEXT + ["arm.png"]:
        if not os.path.isfile(os.path.join(dist, name)):
            fail(f"dist/{name} is missing")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pack", required=True)
    parser.add_argument("--folder", required=True)
    parser.add_argument("--version", required=True)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as root:
        dist = scratch_dist(root, MEX)
        # An archive of an older version is replaced, not kept beside.
        with open(os.path.join(dist, "armkin-0.0.1.zip"), "wb") as f:
            f.write(b"old")
        done = subprocess.run(["sh", args.pack, dist], capture_output=True, text=True, check=False)
        if done.returncode != 0:
            fail(f"packing failed ({done.returncode}): {done.stderr.strip()}")
        else:
            check_archive(args, dist)
            if os.path.exists(os.path.join(dist, "armkin-0.0.1.zip")):
                fail("an older archive was left in dist/")

    with tempfile.TemporaryDirectory() as root:
        dist = scratch_dist(root, [m for m in MEX if m != "armvelmap.mexw64"])
        done = subprocess.run(["sh", args.pack, dist], capture_output=True, text=True, check=False)
        if done.returncode == 0 or "armvelmap.mexw64 is missing" not in done.stderr:
            fail(f"packing without armvelmap.mexw64 gave exit {done.returncode}, {done.stderr!r}")
        if any(n.endswith(".zip") for n in os.listdir(dist)):
            fail("an archive was written without armvelmap.mexw64")

    for line in failures:
        print(line, file=sys.stderr)
    print(f"{len(failures)} failure(s)" if failures else "dist/ packs into the MATLAB user's folder")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
