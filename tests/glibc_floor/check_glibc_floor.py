#!/usr/bin/env python3
"""check_glibc_floor.py MEX_CEILING HOST_CEILING DIST

Reads the version needs (objdump -p and -T) of every ELF file in DIST, as
`make dist` lays it out: the MEX files at the top, the stand-in host in
host/. Each file may need no GLIBC version above its ceiling (the host's for
host/, the MEX files' for the rest) and no C++ runtime at all (no GLIBCXX or
CXXABI version, no libstdc++). Prints each file's highest version and the
symbols that ask for it; names the offenders on failure.
"""
import os
import re
import subprocess
import sys

EXPECTED = ["armpose.mexa64", "armvelmap.mexa64",
            "host/mexrun", "host/libmex.so", "host/libMatlabDataArray.so"]


def version_key(text):
    return tuple(int(part) for part in text.split("."))


def elf_files(dist):
    for folder, _, names in os.walk(dist):
        for name in sorted(names):
            path = os.path.join(folder, name)
            if os.path.isfile(path) and not os.path.islink(path):
                with open(path, "rb") as f:
                    if f.read(4) == b"\x7fELF":
                        yield os.path.relpath(path, dist)


def needs(path):
    """(needed libraries, {version: set of symbols}) of one file."""
    private = subprocess.run(["objdump", "-p", path], check=True, capture_output=True, text=True).stdout
    libraries = re.findall(r"^\s*NEEDED\s+(\S+)", private, re.M)
    versions = {}
    # The version references: what the dynamic loader checks at load time.
    for version in re.findall(r"^\s+0x[0-9a-f]+ 0x[0-9a-f]+ \d+ (\S+)$", private, re.M):
        versions.setdefault(version, set())
    # The undefined symbols, to name what asks for each version.
    dynamic = subprocess.run(["objdump", "-T", path], check=True, capture_output=True, text=True).stdout
    for line in dynamic.splitlines():
        m = re.search(r"\*UND\*\s+[0-9a-f]+\s+\(?([A-Z][A-Z_]*_[0-9.]+)\)?\s+(\S+)$", line)
        if m:
            versions.setdefault(m.group(1), set()).add(m.group(2))
    return libraries, versions


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    mex_ceiling, host_ceiling, dist = sys.argv[1:]
    files = list(elf_files(dist))
    failures = []
    for missing in sorted(set(EXPECTED) - set(files)):
        failures.append(f"{missing}: not in {dist}")
    for rel in files:
        kind, ceiling = ("host", host_ceiling) if rel.startswith("host" + os.sep) else ("MEX", mex_ceiling)
        libraries, versions = needs(os.path.join(dist, rel))
        glibc = sorted((v for v in versions if v.startswith("GLIBC_")), key=lambda v: version_key(v[6:]))
        highest = glibc[-1] if glibc else None
        by = " ".join(sorted(versions[highest])) if highest else ""
        print(f"{rel} ({kind}, ceiling {ceiling}): highest {highest or 'none'} by {by or '-'}")
        for version in glibc:
            if version_key(version[6:]) > version_key(ceiling):
                symbols = " ".join(sorted(versions[version])) or "(no symbol named)"
                failures.append(f"{rel}: needs {version} above {kind} ceiling GLIBC_{ceiling}, for {symbols}")
        runtime = [v for v in versions if v.startswith(("GLIBCXX_", "CXXABI_"))]
        if runtime:
            failures.append(f"{rel}: needs the C++ runtime's versions {' '.join(sorted(runtime))}")
        if any(lib.startswith("libstdc++") for lib in libraries):
            failures.append(f"{rel}: needs the shared C++ runtime")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
