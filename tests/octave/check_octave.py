#!/usr/bin/env python3
"""The Octave edition in a real octave-cli, against the MATLAB edition.

    check_octave.py --octave octave-cli --mexrun MEXRUN --mex-dir MATLAB_MEX_DIR
                    --cases CASES (--package ARCHIVE [--cxxflags FLAGS] | --octave-mex-dir DIR)
                    --help-dir DIR [--preload LIBS]

With --package the archive is installed by `pkg install` into a scratch
prefix (its own local package list, a scratch HOME) and loaded; --cxxflags
is the CXXFLAGS the user had while it built. With --octave-mex-dir the MEX
files built by CMake are put on the path instead; --preload goes into
LD_PRELOAD (a sanitizer's runtime, which Octave itself was not built with).

In one Octave session it then checks:
  - every case of the mexrun case table that calls armpose or armvelmap
    plainly, and further shapes and classes with mexrun's answer: a failing call raises the same message, as "name: message",
    with an empty identifier; a result, and every reference row, equals
    `mexrun --hex` on the MATLAB edition bit for bit;
  - many further angle vectors, NaN, Inf, huge and subnormal angles among
    them, bit for bit against `mexrun --hex`;
  - a call without an output sets ans;
  - help armpose and help armvelmap show the help files' text, and the
    help file sits beside the MEX file, which exports mexFunction alone;
  - subnormal numbers still exist once the MEX files are loaded;
  - armkin_selftest returns true and prints "12 of 12 checks passed", and
    returns false, with FAIL lines, against deliberately wrong functions.
"""
import argparse
import os
import random
import re
import shlex
import subprocess
import sys
import tempfile

FUNCTIONS = {"pose": "armpose", "jacobian": "armvelmap"}
failures = []


def fail(message):
    failures.append(message)


def read_cases(path):
    """(name, call, expected message or None) for the plain calls of the table."""
    cases, case = [], None
    with open(path, encoding="utf-8") as f:
        lines = [line.rstrip("\r\n") for line in f]
    section = None
    for line in lines:
        if line.startswith("== "):
            case = {"name": line[3:].strip(), "args": None, "exit": 0, "stderr": [], "reference": None}
            cases.append(case)
            section = None
        elif not line.strip():
            section = None
        elif section is None and line.startswith("#"):
            continue
        elif section == "stderr":
            case["stderr"].append(line)
        elif section is not None:
            continue
        else:
            key, _, value = line.partition(":")
            if key == "args":
                case["args"] = shlex.split(value)
            elif key == "exit":
                case["exit"] = int(value)
            elif key == "reference":
                case["reference"] = value.split()
            elif key in ("stdout", "stderr", "stderr~"):
                section = key
    plain = []
    for c in cases:
        if c["reference"]:
            what, angles = c["reference"][0], c["reference"][1:]
            plain.append((c["name"], f"{FUNCTIONS[what]}([{'; '.join(angles)}])", None))
            continue
        args = c["args"] or []
        if len(args) != 2 or args[0].startswith("-"):
            continue  # options of mexrun's own, or not a call of ours
        match = re.fullmatch(r"\{mex\}/(armpose|armvelmap)\.\{ext\}", args[0])
        if not match or not args[1].lstrip().startswith(match.group(1)) or c["exit"] not in (0, 1):
            continue
        if c["exit"] == 1:
            text = [s for s in c["stderr"] if not s.startswith(("Error using", "Error identifier:"))]
            plain.append((c["name"], args[1], "\n".join(text)))
        else:
            plain.append((c["name"], args[1], None))
    return plain


def same_bits(a, b):
    """Equal bits, except that a NaN equals any NaN: which operand of a
    commutative operation comes first is the compiler's choice, and with it
    the sign of a NaN result, so that sign is not fixed even between two
    builds of the MATLAB edition."""
    def is_nan(h):
        v = int(h, 16)
        return (v >> 52) & 0x7FF == 0x7FF and v & ((1 << 52) - 1) != 0
    return a == b or (is_nan(a) and is_nan(b))


# Calls beyond the table, their outcome taken from mexrun on the spot:
# shapes and classes the table leaves to the gateway test.
FURTHER_CALLS = [
    "armpose(zeros(6,1,2))", "armvelmap(zeros(2,1,2))", "armpose(zeros(6,0))", "armvelmap(zeros(6,0,2))",
    "armpose(uint8(zeros(6,1)))", "armvelmap(int16(zeros(6,1)))", "armpose(uint16(zeros(6,1)))",
    "armvelmap(int32(zeros(6,1)))", "armpose(uint32(zeros(6,1)))", "armvelmap(int64(zeros(6,1)))",
    "armvelmap(single(zeros(6,1)))", "armvelmap({1})", "armvelmap(zeros(5,1))",
    "armvelmap([0.3; 0.2; 0.1; 0; -0.1; -0.2; 99], 'more', 3)", "armpose([zeros(6,1)+0.5 ones(6,1)])",
]


def further_calls(args):
    calls = []
    for call in FURTHER_CALLS:
        name = call.split("(")[0]
        done = subprocess.run([args.mexrun, os.path.join(args.mex_dir, f"{name}.mexa64"), call],
                              capture_output=True, text=True, check=False, timeout=60)
        if done.returncode == 1:
            text = [s for s in done.stderr.splitlines() if not s.startswith(("Error using", "Error identifier:"))]
            calls.append((f"further {call}", call, "\n".join(text)))
        elif done.returncode == 0:
            calls.append((f"further {call}", call, None))
        else:
            fail(f"mexrun refused {call}: {done.stderr.strip()}")
    return calls


def angle_text(x):
    if x != x:
        return "NaN"
    if x in (float("inf"), float("-inf")):
        return "Inf" if x > 0 else "-Inf"
    return repr(x)


def random_calls(count):
    rng = random.Random(20261211)
    special = [float("nan"), float("inf"), float("-inf"), 1e300, -1e300, 1e15, 5e-324, -0.0, 0.0,
               3.141592653589793, -3.141592653589793, 1.5707963267948966, 2.0 ** 60]
    calls = []
    for k in range(count):
        q = [rng.uniform(-4.0, 4.0) for _ in range(6)]
        if k % 3 == 0:
            q[rng.randrange(6)] = rng.choice(special)
        if k % 7 == 0:
            q = [rng.uniform(-1e7, 1e7) for _ in range(6)]
        if k % 11 == 0:
            q[2] = q[1]
        function = "armpose" if k % 2 == 0 else "armvelmap"
        calls.append((f"random {k}", f"{function}([{'; '.join(angle_text(x) for x in q)}])", None))
    return calls


def mexrun_hex(args, call):
    name = call.split("(")[0].strip()
    done = subprocess.run([args.mexrun, "--hex", os.path.join(args.mex_dir, f"{name}.mexa64"), call],
                          capture_output=True, text=True, check=False, timeout=60)
    if done.returncode != 0:
        return None, f"mexrun failed ({done.returncode}): {done.stderr.strip()}"
    lines = done.stdout.splitlines()
    header = re.fullmatch(r"out1 = (\d+)x(\d+) double", lines[0]) if lines else None
    if not header:
        return None, f"unexpected mexrun output {done.stdout!r}"
    return " ".join(lines[1:]).lower().split(), None


def octave_script(calls, help_names, wrong_calls):
    """One Octave session: a tagged line for every call and check."""
    out = ["1;", "function show(tag, R)",
           "  printf('%s|ok|%dx%d|%s\\n', tag, rows(R), columns(R), strjoin(cellstr(num2hex(reshape(R.', 1, []))).', ' '));",
           "end"]
    for index, (_, call, _) in enumerate(calls):
        out.append(f"try, R = {call}; show('case{index}', R); "
                   f"catch err, printf('case{index}|error|%s|%s\\n', err.identifier, strrep(err.message, \"\\n\", '\\n')); end")
    out.append("clear ans; armpose(zeros(6,1)); printf('ans|%d\\n', isequal(num2hex(ans), num2hex(armpose(zeros(6,1)))));")
    for name in help_names:
        out.append(f"[text, format] = get_help_text('{name}'); "
                   f"printf('help|{name}|%s|%s\\n', format, strrep(text, \"\\n\", '\\n'));")
        out.append(f"[d, n] = fileparts(which('{name}')); printf('where|{name}|%s|%d\\n', which('{name}'), "
                   f"exist(fullfile(d, '{name}.m'), 'file') == 2);")
        out.append(f"h = evalc('help {name}'); printf('undocumented|{name}|%d\\n', "
                   f"!isempty(strfind(h, 'not documented')));")
    out.append("ok = armkin_selftest(); printf('selftest|%d\\n', ok);")
    # Loading the MEX files must not switch the process to flushing subnormals.
    out.append("tiny = realmin; printf('subnormal|%d\\n', tiny / 4 > 0);")
    for index, (pose, velmap) in enumerate(wrong_calls):
        out.append(f"ok = armkin_selftest({pose}, {velmap}); printf('wrong{index}|%d\\n', ok);")
    return "\n".join(out) + "\n"


def help_text(path):
    """The help a .m file gives: its first comment block, '%' and one space off."""
    lines = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.startswith("%"):
                break
            lines.append(line.rstrip("\n")[1:])
    return "\n".join(lines)


def install_commands(args, root):
    prefix = os.path.join(root, "packages")
    return (f"pkg prefix '{prefix}' '{prefix}'; pkg local_list '{os.path.join(root, 'octave_packages')}'; "
            f"pkg install -local '{os.path.abspath(args.package)}'; pkg load armkin; "
            f"printf('installed|%s\\n', pkg('list'){{1}}.version);\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--octave", required=True)
    parser.add_argument("--mexrun", required=True)
    parser.add_argument("--mex-dir", required=True)
    parser.add_argument("--cases", required=True)
    parser.add_argument("--package")
    parser.add_argument("--cxxflags")
    parser.add_argument("--octave-mex-dir")
    parser.add_argument("--help-dir", required=True, help="the folder of the help files, armpose.m, armvelmap.m")
    parser.add_argument("--preload", default="")
    parser.add_argument("--random", type=int, default=300)
    args = parser.parse_args()
    if bool(args.package) == bool(args.octave_mex_dir):
        parser.error("give exactly one of --package and --octave-mex-dir")

    calls = read_cases(args.cases)
    if len(calls) < 20:
        fail(f"only {len(calls)} plain calls found in {args.cases}")
    calls += further_calls(args) + random_calls(args.random)
    wrong = [
        # q6 reaching the Jacobian, and no refusals of its own.
        ("@armpose", "@(q) armvelmap(q) + 1e-9 * q(6)"),
        # the pose a few bits off in T(1,4): the zero pose and the shared entries.
        ("@(varargin) armpose(varargin{:}) + [zeros(4,3) [eps; 0; 0; 0]]", "@armvelmap"),
    ]

    with tempfile.TemporaryDirectory(prefix="armkin-octave-") as root:
        env = dict(os.environ, HOME=root)
        if args.preload:
            env["LD_PRELOAD"] = args.preload
        if args.cxxflags is not None:
            env["CXXFLAGS"] = args.cxxflags
        if args.package:
            head = install_commands(args, root)
        else:
            head = f"addpath('{os.path.abspath(args.octave_mex_dir)}');\n"
        script = os.path.join(root, "session.m")
        with open(script, "w", encoding="utf-8") as f:
            f.write(head + octave_script(calls, ["armpose", "armvelmap"], wrong))
        done = subprocess.run([args.octave, "--no-gui", "--norc", "--no-history", "--quiet", script],
                              capture_output=True, text=True, env=env, check=False, timeout=1200)
        if done.returncode != 0:
            fail(f"octave exited with {done.returncode}:\n{done.stdout[-3000:]}\n{done.stderr[-3000:]}")
        tagged = {}
        for line in done.stdout.splitlines():
            tag, sep, rest = line.partition("|")
            if sep and (tag.startswith(("case", "wrong")) or tag in ("ans", "help", "where", "undocumented",
                                                                     "selftest", "installed", "subnormal")):
                key = tag if tag.startswith(("case", "wrong")) or tag in ("ans", "selftest", "installed", "subnormal") \
                    else f"{tag}|{rest.split('|')[0]}"
                tagged[key] = rest
        output = done.stdout
        # The MEX files Octave found, while they still exist: one export.
        for name in ("armpose", "armvelmap"):
            where = tagged.get(f"where|{name}", "").split("|")
            if len(where) >= 2 and os.path.isfile(where[1]):
                nm = subprocess.run(["nm", "-D", "--defined-only", where[1]], capture_output=True, text=True,
                                    check=False)
                exported = sorted(line.split()[-1] for line in nm.stdout.splitlines() if line.strip())
                if nm.returncode != 0 or exported != ["mexFunction"]:
                    fail(f"{where[1]} exports {exported}, expected mexFunction alone")

    if args.package and tagged.get("installed") is None:
        fail("pkg install or pkg load did not finish")

    compared = 0
    for index, (name, call, message) in enumerate(calls):
        got = tagged.get(f"case{index}")
        if got is None:
            fail(f"{name}: {call}: no answer from octave")
            continue
        kind, _, rest = got.partition("|")
        function = call.split("(")[0].strip()
        if message is not None:
            identifier, _, text = rest.partition("|")
            want = f"{function}: {message}"
            if kind != "error" or identifier or text != want:
                fail(f"{name}: {call}: got {got!r}, expected the error {want!r} with an empty identifier")
            continue
        bits, why = mexrun_hex(args, call)
        if bits is None:
            fail(f"{name}: {call}: {why}")
            continue
        size, _, hexes = rest.partition("|")
        if kind != "ok" or [same_bits(a, b) for a, b in zip(hexes.lower().split(), bits)] != [True] * len(bits) \
                or len(hexes.split()) != len(bits):
            fail(f"{name}: {call}:\n  octave {got}\n  mexrun {' '.join(bits)}")
        compared += 1

    if tagged.get("subnormal") != "1":
        fail("after the MEX files were loaded, subnormal numbers are flushed to zero")
    if tagged.get("ans") != "1":
        fail(f"a call without an output did not set ans: {tagged.get('ans')!r}")
    for name in ("armpose", "armvelmap"):
        got = tagged.get(f"help|{name}", "").split("|", 2)
        want = help_text(os.path.join(args.help_dir, f"{name}.m"))
        if len(got) < 3 or got[2].replace("\\n", "\n").rstrip("\n") != want:
            fail(f"help {name}: got {got!r}, expected the text of {name}.m")
        where = tagged.get(f"where|{name}", "").split("|")
        if len(where) < 3 or not where[1].endswith(f"{name}.mex") or where[2] != "1":
            fail(f"{name}: the MEX file and its help file are not side by side: {where!r}")
        if tagged.get(f"undocumented|{name}", "").split("|")[-1] != "0":
            fail(f"help {name} says it is not documented")
    if tagged.get("selftest") != "1" or "12 of 12 checks passed" not in output:
        fail("armkin_selftest did not pass:\n" + output[output.find("armkin self-test"):][:2000])
    for index in range(len(wrong)):
        if tagged.get(f"wrong{index}") != "0":
            fail(f"armkin_selftest passed against wrong function pair {index}: {wrong[index]}")
    if output.count("  FAIL  ") < len(wrong):
        fail("armkin_selftest printed no FAIL line against the wrong functions")

    for line in failures[:20]:
        print(line, file=sys.stderr)
    if len(failures) > 20:
        print(f"... and {len(failures) - 20} more", file=sys.stderr)
    print(f"{len(calls)} calls, {compared} compared bit for bit with mexrun, {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
