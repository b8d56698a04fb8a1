#!/usr/bin/env python3
"""Checks what a MATLAB user reads against what the built MEX files do.

- Each help file holds only comment lines, opens with its H1 line and
  points to the other function.
- The example in each help file, and the check values in README.md, equal
  what mexrun gives for the same call (read through --hex, bit for bit):
  format short values to the four decimals shown (an exact zero shows as
  0), full-precision values exactly.
- Every error message the functions give for a table of bad calls is
  quoted in the help file.
- Contents.m carries MATLAB's version line with the project's version,
  the one mexrun --version prints, and lists both functions by their H1.
"""

import argparse
import re
import struct
import subprocess
import sys

FUNCTIONS = {"armpose": (4, "T", "armvelmap"), "armvelmap": (6, "J", "armpose")}

# Calls that fail, each with mexrun's options; the error message must be
# quoted in the help file. "{f}" stands for the function's name.
BAD_CALLS = [
    ("no input", [], "{f}()"),
    ("no output slot", ["--outputs", "0"], "{f}(zeros(6,1))"),
    ("single", [], "{f}(single(zeros(6,1)))"),
    ("int32", [], "{f}(int32(zeros(6,1)))"),
    ("uint8", [], "{f}(uint8(zeros(6,1)))"),
    ("logical", [], "{f}(logical(zeros(6,1)))"),
    ("char", [], "{f}('abcdef')"),
    ("cell", [], "{f}({{0;0;0;0;0;0}})"),
    ("struct", [], "{f}(struct())"),
    ("complex", [], "{f}(complex(zeros(6,1), zeros(6,1)))"),
    ("sparse", [], "{f}(sparse(zeros(6,1)))"),
    ("row vector", [], "{f}([0 0 0 0 0 0])"),
    ("scalar", [], "{f}(0)"),
    ("short column", [], "{f}(zeros(5,1))"),
    ("empty", [], "{f}([])"),
    ("three dimensions", [], "{f}(zeros(6,1,2))"),
]

failures = []


def fail(case, message):
    failures.append(f"[{case}] {message}")


_runs = {}


def run_mexrun(args, options, mexfile, call):
    """(exit code, stdout, stderr) of one mexrun run; each run made once."""
    command = list(args.emulator or []) + [args.mexrun] + options + ([mexfile, call] if mexfile else [])
    key = tuple(command)
    if key not in _runs:
        done = subprocess.run(command, capture_output=True, text=True, check=False)
        _runs[key] = (done.returncode, done.stdout.replace("\r\n", "\n"),
                      done.stderr.replace("\r\n", "\n"))
    return _runs[key]


def parse_result(stdout):
    """mexrun --hex's first output: (rows, cols, list of rows of floats).
    The bits, not the decimal display, which is laid out for people."""
    lines = stdout.strip("\n").split("\n")
    head = re.fullmatch(r"out1 = (\d+)x(\d+) double", lines[0])
    if not head:
        raise ValueError(f"unexpected header {lines[0]!r}")
    rows, cols = int(head.group(1)), int(head.group(2))
    values = [[struct.unpack(">d", bytes.fromhex(x))[0] for x in line.split(" ")]
              for line in lines[1:1 + rows]]
    return rows, cols, values


def shown_matches(token, value):
    """One value of MATLAB's format short display against the true value."""
    if token == "0":
        return value == 0.0
    if not re.fullmatch(r"-?\d+\.\d{4}", token):
        return False
    return abs(float(token) - value) <= 0.5e-4 * (1 + 1e-9)


def check_display(case, block, expected):
    """block: the display's rows of tokens; expected: mexrun's rows."""
    if [len(r) for r in block] != [len(r) for r in expected]:
        fail(case, f"shows a {len(block)}-row display of shape "
                   f"{[len(r) for r in block]}, mexrun gives {len(expected)}x{len(expected[0])}")
        return
    for r, (shown, true) in enumerate(zip(block, expected)):
        for c, (token, value) in enumerate(zip(shown, true)):
            if not shown_matches(token, value):
                fail(case, f"({r + 1},{c + 1}) shows {token}, mexrun gives {value!r}")


def display_after(lines, start, var):
    """Rows of the display that follows 'VAR =' after line index start."""
    i = start
    while i < len(lines) and lines[i].strip() != f"{var} =":
        i += 1
    i += 1
    while i < len(lines) and not lines[i].strip():
        i += 1
    rows = []
    while i < len(lines) and re.fullmatch(r"[-+0-9. ]+", lines[i].strip() or "x"):
        rows.append(lines[i].split())
        i += 1
    return rows


def check_help_file(args, name, text):
    size, var, other = FUNCTIONS[name]
    lines = text.split("\n")
    if not text.endswith("\n"):
        fail(name, "help file does not end with a line feed")
    for number, line in enumerate(lines[:-1], start=1):
        if not line.startswith("%"):
            fail(name, f"line {number} is not a comment: {line!r}")
    if not re.fullmatch(rf"%{name.upper()}  \S.*\S\.", lines[0]):
        fail(name, f"H1 line {lines[0]!r} is not '%{name.upper()}  Description.'")
    if f"%   See also {other.upper()}." not in lines:
        fail(name, f"no 'See also {other.upper()}.' line")

    # The example: its call, then MATLAB's format short display.
    body = [line[1:] for line in lines[:-1]]
    calls = [i for i, line in enumerate(body)
             if re.fullmatch(rf"\s+{var} = {name}\(.*\)", line)]
    if len(calls) != 1:
        fail(name, f"expected one example call '{var} = {name}(...)', found {len(calls)}")
        return
    call = body[calls[0]].split("=", 1)[1].strip()
    code, out, err = run_mexrun(args, ["--hex"], getattr(args, name), call)
    if code != 0:
        fail(name, f"mexrun {call} exits {code}: {err.strip()}")
        return
    rows, cols, values = parse_result(out)
    if (rows, cols) != (size, size):
        fail(name, f"mexrun {call} gives {rows}x{cols}")
    check_display(f"{name} example", display_after(body, calls[0], var), values)


def check_errors(args, name, text):
    quoted = {line[1:].strip() for line in text.split("\n")}
    for label, options, template in BAD_CALLS:
        call = template.format(f=name)
        case = f"{name}: {label}: {call}"
        code, out, err = run_mexrun(args, options, getattr(args, name), call)
        lines = err.strip("\n").split("\n")
        if code != 1 or out or len(lines) < 2 or lines[0] != f"Error using {name}":
            fail(case, f"expected a failed call (exit 1, 'Error using {name}'), "
                       f"got exit {code}, stdout {out!r}, stderr {err!r}")
            continue
        if lines[1] not in quoted:
            fail(case, f"message {lines[1]!r} is not quoted in {name}.m")
        if len(lines) > 2:
            fail(case, f"the help promises an empty identifier, mexrun shows {lines[2:]!r}")


def check_readme(args, readme):
    lines = readme.split("\n")
    if f"# Armkin {args.version} for MATLAB" not in lines:
        fail("README", f"title does not carry version {args.version}")
    for name, (size, var, _) in FUNCTIONS.items():
        call = f"{name}(zeros(6,1))"
        code, out, err = run_mexrun(args, ["--hex"], getattr(args, name), call)
        if code != 0:
            fail("README", f"mexrun {call} exits {code}: {err.strip()}")
            continue
        values = parse_result(out)[2]
        starts = [i for i, line in enumerate(lines) if line == f">> {var} = {call}"]
        if len(starts) != 1:
            fail("README", f"expected one '>> {var} = {call}' display")
        else:
            check_display(f"README {name} display", display_after(lines, starts[0], var), values)
        # isequal(NAME(zeros(6,1)), [..]) with every value to the last bit.
        exact = [line for line in lines if line.startswith(f"isequal({call}, [")]
        if len(exact) != 1:
            fail("README", f"expected one 'isequal({call}, [...])' line")
            continue
        literal = exact[0][len(f"isequal({call}, ["):].rstrip(")]")
        given = [[float(x) for x in row.split()] for row in literal.split(";")]
        # isequal, like ==, takes -0 and 0 as equal.
        if given != values:
            fail("README", f"isequal values for {call} {given} differ from mexrun's {values}")


def check_contents(args, contents, h1):
    lines = contents.split("\n")
    version = re.fullmatch(r"% Version (\S+) \(R2024a\) (\d{2}-[A-Z][a-z]{2}-\d{4})", lines[1])
    if not lines[0].startswith("% ") or not version:
        fail("Contents.m", f"first lines {lines[:2]!r} are not MATLAB's "
                           "'% Description' / '% Version x.y.z (R2024a) dd-Mmm-yyyy'")
    elif version.group(1) != args.version:
        fail("Contents.m", f"version {version.group(1)} is not the project's {args.version}")
    for name, description in h1.items():
        entry = [line for line in lines if re.match(rf"%   {name} +- ", line)]
        if len(entry) != 1 or not entry[0].split("- ", 1)[1].startswith(description.rstrip(".")):
            fail("Contents.m", f"no entry '{name} - {description}'")
    code, out, err = run_mexrun(args, ["--version"], None, None)
    if code != 0 or args.version not in out.split():
        fail("mexrun --version", f"exit {code}, {out!r} {err!r}: expected {args.version}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--mexrun", required=True)
    parser.add_argument("--armpose", required=True)
    parser.add_argument("--armvelmap", required=True)
    parser.add_argument("--folder", required=True, help="the configured help folder")
    parser.add_argument("--version", required=True)
    parser.add_argument("--emulator", action="append",
                        help="runs mexrun (repeat for each word)")
    parser.add_argument("--no-error-calls", action="store_true",
                        help="skip the table of failing calls (slow under an emulator)")
    args = parser.parse_args()

    h1 = {}
    for name in FUNCTIONS:
        with open(f"{args.folder}/{name}.m", encoding="utf-8", newline="") as f:
            text = f.read()
        h1[name] = text.split("\n", 1)[0].split("  ", 1)[-1]
        check_help_file(args, name, text)
        if not args.no_error_calls:
            check_errors(args, name, text)
    with open(f"{args.folder}/README.md", encoding="utf-8") as f:
        check_readme(args, f.read())
    with open(f"{args.folder}/Contents.m", encoding="utf-8") as f:
        check_contents(args, f.read(), h1)

    for line in failures:
        print(line, file=sys.stderr)
    print(f"{len(failures)} failure(s)" if failures else "help files agree with the MEX files")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
