#!/usr/bin/env python3
"""Runs mexrun on every case of a case table and compares stdout, stderr and
the exit status exactly (line ends CRLF or LF alike).

  run_cases.py --mexrun 'CMD' --mex-dir DIR [--ext mexa64] [--fixture-dir DIR]
               [--reference 'CMD'] [--version V] [--only TEXT] CASES

--mexrun is the command that runs mexrun, split like a shell line, so that
'wine64 build/windows/stand_in_host/mexrun.exe' works as well as a plain
path. The table format is described at the top of cases.txt.
"""
import argparse
import os
import re
import shlex
import subprocess
import sys
import tempfile


class Case:
    def __init__(self, name, line):
        self.name = name
        self.line = line
        self.args = None
        self.reference = None
        self.needs = []
        self.exit = 0
        self.stdout = []
        self.stderr = []
        self.stderr_patterns = None


def read_cases(path):
    cases = []
    case = None
    section = None
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\r\n")
            if line.startswith("== "):
                case = Case(line[3:].strip(), number)
                cases.append(case)
                section = None
                continue
            if not line.strip():
                section = None  # a blank line ends a section's text
                continue
            if section is None and line.startswith("#"):
                continue
            if case is None:
                raise SystemExit(f"{path}:{number}: text before the first case")
            key, _, value = line.partition(":")
            if section is None or key in ("args", "reference", "needs", "exit", "stdout", "stderr", "stderr~"):
                if key == "args":
                    case.args = shlex.split(value)
                elif key == "reference":
                    case.reference = value.split()
                elif key == "needs":
                    case.needs = value.split()
                elif key == "exit":
                    case.exit = int(value)
                elif key in ("stdout", "stderr", "stderr~"):
                    section = key
                    if key == "stderr~":
                        case.stderr_patterns = []
                else:
                    raise SystemExit(f"{path}:{number}: unknown key {key!r}")
                continue
            if section == "stdout":
                case.stdout.append(line)
            elif section == "stderr":
                case.stderr.append(line)
            else:
                case.stderr_patterns.append(line)
    return cases


def text(lines):
    return "".join(line + "\n" for line in lines)


# The arguments are UTF-8 text; Wine decodes a command line by the locale,
# so the table runs under a UTF-8 one whatever the caller's.
UTF8_ENV = dict(os.environ, LC_ALL="C.UTF-8")


def run(command):
    p = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120, env=UTF8_ENV)
    def norm(b):
        return b.decode("utf-8", "replace").replace("\r\n", "\n")
    return p.returncode, norm(p.stdout), norm(p.stderr)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--mexrun", required=True)
    ap.add_argument("--mex-dir", required=True)
    ap.add_argument("--ext", default="mexa64")
    ap.add_argument("--fixture-dir")
    ap.add_argument("--reference")
    ap.add_argument("--version", default="")
    ap.add_argument("--only", default="")
    ap.add_argument("cases")
    opts = ap.parse_args()

    mexrun = shlex.split(opts.mexrun)
    reference = shlex.split(opts.reference) if opts.reference else None
    scratch = tempfile.mkdtemp(prefix="mexrun-cases-")
    with open(os.path.join(scratch, f"garbage.{opts.ext}"), "wb") as f:
        f.write(b"not a shared library\n")
    places = {
        "{mex}": opts.mex_dir,
        "{ext}": opts.ext,
        "{fixture}": opts.fixture_dir or "",
        "{tmp}": scratch,
        "{version}": opts.version,
    }

    def fill(s):
        for k, v in places.items():
            s = s.replace(k, v)
        return s

    available = {"fixture": bool(opts.fixture_dir), "reference": bool(reference)}
    failed, skipped, ran = [], 0, 0
    for case in read_cases(opts.cases):
        if opts.only and opts.only not in case.name:
            continue
        if not all(available.get(n, False) for n in case.needs) or (case.reference and not reference):
            skipped += 1
            continue
        ran += 1
        if case.reference:
            what, angles = case.reference[0], case.reference[1:]
            function = {"pose": "armpose", "jacobian": "armvelmap"}[what]
            call = f"{function}([{'; '.join(angles)}])"
            command = mexrun + ["--hex", os.path.join(opts.mex_dir, f"{function}.{opts.ext}"), call]
            code, want_out, want_err = run(reference + [what] + angles)
            if code != 0 or want_err:
                failed.append((case, command, f"reference helper failed ({code}): {want_err}"))
                continue
            want_code = 0
            patterns = None
        else:
            command = mexrun + [fill(a) for a in case.args]
            want_code = case.exit
            want_out = fill(text(case.stdout))
            want_err = fill(text(case.stderr))
            patterns = [fill(p) for p in case.stderr_patterns] if case.stderr_patterns is not None else None
        code, out, err = run(command)
        problems = []
        if code != want_code:
            problems.append(f"exit status {code}, expected {want_code}")
        if out != want_out:
            problems.append(f"stdout:\n{out}--- expected:\n{want_out}---")
        if patterns is not None:
            lines = err.splitlines()
            if len(lines) != len(patterns) or not all(re.fullmatch(p, l) for p, l in zip(patterns, lines)):
                problems.append(f"stderr:\n{err}--- expected lines matching:\n{text(patterns)}---")
        elif err != want_err:
            problems.append(f"stderr:\n{err}--- expected:\n{want_err}---")
        if problems:
            failed.append((case, command, "\n".join(problems)))

    for case, command, why in failed:
        print(f"FAIL {case.name} (line {case.line})\n$ {shlex.join(command)}\n{why}\n")
    print(f"{ran} cases run, {len(failed)} failed, {skipped} skipped")
    return 1 if failed or ran == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
