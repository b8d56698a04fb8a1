#!/usr/bin/env python3
"""Checks the PE import and export tables of the Windows build's files.

    check_pe.py --objdump OBJDUMP KIND=FILE...

KIND is one of
  mex      a deliverable: exports exactly the five entry points; imports only
           mexGetFunctionImpl and mexDestroyFunctionImpl from libmex.dll,
           get_function_ptr from libMatlabDataArray.dll, sin and cos from the
           Universal CRT's math API set, and otherwise Windows system DLLs
  libmex   the stand-in libmex.dll: exports the two libmex functions
  data     the stand-in libMatlabDataArray.dll: exports get_function_ptr
  program  an executable of the stand-in host
Every file must be a 64-bit PE image that needs none of MinGW-w64's runtime
DLLs (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll): they are
linked in statically.
"""
import re
import subprocess
import sys

MEX_EXPORTS = {"mexCreateMexFunction", "mexFunctionAdapter", "mexDestroyMexFunction",
               "mexfilerequiredapiversion", "mexFunction"}
SYSTEM = {"kernel32.dll", "msvcrt.dll"}
UCRT_MATH = "api-ms-win-crt-math-l1-1-0.dll"
HOST = {"libmex.dll": {"mexGetFunctionImpl", "mexDestroyFunctionImpl"},
        "libmatlabdataarray.dll": {"get_function_ptr"}}

# Per kind: exports (exact set, or a set that must be contained with
# exact=False); imports whose names are fixed exactly; DLLs allowed with any
# imports; whether the file is a DLL.
KINDS = {
    "mex": dict(exports=MEX_EXPORTS, exact=True, dll=True,
                fixed={**HOST, UCRT_MATH: {"sin", "cos"}}, free=SYSTEM),
    "libmex": dict(exports=HOST["libmex.dll"], exact=False, dll=True,
                   fixed={}, free=SYSTEM | {"libmatlabdataarray.dll"}),
    "data": dict(exports=HOST["libmatlabdataarray.dll"], exact=False, dll=True,
                 fixed={}, free=SYSTEM),
    "program": dict(exports=None, exact=False, dll=False,
                    fixed={}, free=SYSTEM | set(HOST) | {UCRT_MATH}),
}


def read_tables(objdump, path):
    text = subprocess.run([objdump, "-p", path], check=True, capture_output=True,
                          text=True).stdout
    fmt = re.search(r"file format (\S+)", text)
    is_dll = re.search(r"^Characteristics 0x[0-9a-f]+\n((?:\t.*\n)*)", text, re.M)
    imports = {}
    for block in re.finditer(r"^\tDLL Name: (\S+)\n\tvma:.*\n((?:\t[0-9a-f]+\t.*\n)*)", text, re.M):
        names = {line.split()[-1] for line in block.group(2).splitlines()}
        imports.setdefault(block.group(1).lower(), set()).update(names)
    exports = set()
    table = re.search(r"^\[Ordinal/Name Pointer\] Table\n((?:\t\[.*\n)*)", text, re.M)
    if table:
        exports = {line.split("]", 1)[1].strip() for line in table.group(1).splitlines()}
    return (fmt.group(1) if fmt else None,
            bool(is_dll and re.search(r"^\tDLL$", is_dll.group(1), re.M)), imports, exports)


def check(objdump, kind, path):
    rule = KINDS[kind]
    fmt, is_dll, imports, exports = read_tables(objdump, path)
    problems = []
    if fmt != "pei-x86-64":
        problems.append(f"file format {fmt}, not pei-x86-64")
    if is_dll != rule["dll"]:
        problems.append("is a DLL" if is_dll else "is not a DLL")
    if rule["exports"] is not None:
        if rule["exact"] and exports != rule["exports"]:
            problems.append(f"exports {sorted(exports)}, expected exactly {sorted(rule['exports'])}")
        if not rule["exact"] and not rule["exports"] <= exports:
            problems.append(f"lacks exports {sorted(rule['exports'] - exports)}")
    for dll, names in sorted(imports.items()):
        if dll in rule["fixed"]:
            if names != rule["fixed"][dll]:
                problems.append(f"imports {sorted(names)} from {dll}, "
                                f"expected exactly {sorted(rule['fixed'][dll])}")
        elif dll not in rule["free"]:
            problems.append(f"imports from {dll} ({', '.join(sorted(names))})")
    for dll in sorted(set(rule["fixed"]) - set(imports)):
        problems.append(f"does not import {dll}")
    summary = "; ".join(f"{dll}: {len(names)}" for dll, names in sorted(imports.items()))
    print(f"{kind} {path}\n  imports {summary}\n  exports {len(exports)}: {' '.join(sorted(exports))}")
    for p in problems:
        print(f"  FAIL: {p}")
    return not problems


def main(argv):
    if len(argv) < 4 or argv[1] != "--objdump":
        print(__doc__, file=sys.stderr)
        return 2
    ok = True
    for item in argv[3:]:
        kind, _, path = item.partition("=")
        if kind not in KINDS or not path:
            print(f"bad argument {item!r}", file=sys.stderr)
            return 2
        ok = check(argv[2], kind, path) and ok
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
