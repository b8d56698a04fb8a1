#!/usr/bin/env python3
"""Checks the manifest archive, field by field, with independent readers.

  check_manifest.py tool MEXMANIFEST
      runs the tool: archives with fixed and current time stamps, fresh
      UUIDs on every run, the generated source, failures and usage.
  check_manifest.py embedded --objdump OBJDUMP FILE...
      carves the archive out of each built file (ELF or PE) and checks it,
      that it lies in the writable .data section, that its symbol is not
      exported, and that no two files share a bundle UUID.

Every archive is read three ways: byte by byte against the layout below,
with Python's zipfile, and with unzip -t and zipinfo -v.
"""
import datetime
import io
import json
import os
import re
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib

JSON_NAME = b"mexVersioning/manifest.json"
DIR_NAME = b"mexVersioning/"
SYMBOL = "armkin_embedded_manifest"
UUID = rb"[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}"
# The manifest text, byte for byte; group 1 is the bundle UUID.
MANIFEST = re.compile(
    rb'\{\n'
    rb'\t"bundle\.symbolic_name" : "(' + UUID + rb')",\n'
    rb'\t"mw" : \n'
    rb'\t\{\n'
    rb'\t\t"mex" : \n'
    rb'\t\t\{\n'
    rb'\t\t\t"apiVersion" : 0,\n'
    rb'\t\t\t"release" : "R2024a",\n'
    rb'\t\t\t"threadpoolSafe" : 0\n'
    rb'\t\t\}\n'
    rb'\t\}\n'
    rb'\}\n\Z')

LOCAL = struct.Struct("<IHHHHHIIIHH")
DESCRIPTOR = struct.Struct("<IIII")
CENTRAL = struct.Struct("<IHHHHHHIIIHHHHHII")
END = struct.Struct("<IHHHHIIH")

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def expect(label, actual, expected):
    check(actual == expected, f"{label}: {actual!r}, expected {expected!r}")


def dos_stamp(when):
    """(time, date) words of a datetime, seconds rounded down to even."""
    return (when.hour << 11 | when.minute << 5 | when.second // 2,
            (when.year - 1980) << 9 | when.month << 5 | when.day)


def check_archive(label, data):
    """Checks every field of one archive; returns (uuid, (time, date))."""
    end = len(data) - END.size
    (sig, disk, cd_disk, on_disk, entries, cd_size, cd_offset, comment) = END.unpack_from(data, end)
    expect(f"{label}: end record", (sig, disk, cd_disk, on_disk, entries, comment),
           (0x06054B50, 0, 0, 2, 2, 0))

    # Central directory: the deflated text, then the directory.
    c1 = CENTRAL.unpack_from(data, cd_offset)
    name1_at = cd_offset + CENTRAL.size
    c2_at = name1_at + c1[10]
    c2 = CENTRAL.unpack_from(data, c2_at)
    name2_at = c2_at + CENTRAL.size
    stamp = (c1[5], c1[6])
    crc, csize, usize = c1[7], c1[8], c1[9]
    expect(f"{label}: central header 1",
           c1[:5] + c1[10:], (0x02014B50, 0x0014, 20, 0x0808, 8, len(JSON_NAME), 0, 0, 0, 0, 0x00, 0))
    expect(f"{label}: central name 1", data[name1_at:name1_at + len(JSON_NAME)], JSON_NAME)
    expect(f"{label}: central header 2",
           c2[:5] + c2[7:16], (0x02014B50, 0x0014, 20, 0x0800, 0, 0, 0, 0, len(DIR_NAME), 0, 0, 0, 0, 0x10))
    expect(f"{label}: central name 2", data[name2_at:name2_at + len(DIR_NAME)], DIR_NAME)
    expect(f"{label}: central stamp 2", (c2[5], c2[6]), stamp)
    expect(f"{label}: central directory size", name2_at + len(DIR_NAME) - cd_offset, cd_size)
    expect(f"{label}: central directory ends at the end record", cd_offset + cd_size, end)

    # Local entry 1: sizes and CRC deferred to the data descriptor.
    expect(f"{label}: local header 1", LOCAL.unpack_from(data, c1[16]),
           (0x04034B50, 20, 0x0808, 8) + stamp + (0, 0, 0, len(JSON_NAME), 0))
    expect(f"{label}: archive starts with local header 1", c1[16], 0)
    body = LOCAL.size + len(JSON_NAME)
    expect(f"{label}: local name 1", data[LOCAL.size:body], JSON_NAME)
    expect(f"{label}: data descriptor", DESCRIPTOR.unpack_from(data, body + csize),
           (0x08074B50, crc, csize, usize))

    # Local entry 2: stored, empty, directly after the descriptor.
    local2 = body + csize + DESCRIPTOR.size
    expect(f"{label}: local header 2 offset", c2[16], local2)
    expect(f"{label}: local header 2", LOCAL.unpack_from(data, local2),
           (0x04034B50, 20, 0x0800, 0) + stamp + (0, 0, 0, len(DIR_NAME), 0))
    expect(f"{label}: local name 2", data[local2 + LOCAL.size:local2 + LOCAL.size + len(DIR_NAME)], DIR_NAME)
    expect(f"{label}: central directory follows entry 2", local2 + LOCAL.size + len(DIR_NAME), cd_offset)

    # The text: one complete raw deflate stream, nothing after it.
    inflater = zlib.decompressobj(-15)
    text = inflater.decompress(data[body:body + csize])
    check(inflater.eof and not inflater.unused_data, f"{label}: deflate stream not exactly {csize} bytes")
    expect(f"{label}: uncompressed size", len(text), usize)
    expect(f"{label}: CRC-32", zlib.crc32(text), crc)
    match = MANIFEST.match(text)
    if not check(match is not None, f"{label}: manifest text {text!r}"):
        return None, stamp
    uuid = match.group(1).decode()
    expect(f"{label}: parsed manifest", json.loads(text, object_pairs_hook=list),
           [("bundle.symbolic_name", uuid),
            ("mw", [("mex", [("apiVersion", 0), ("release", "R2024a"), ("threadpoolSafe", 0)])])])

    check_with_zipfile(label, data, text, stamp)
    check_with_unzip(label, data)
    return uuid, stamp


def check_with_zipfile(label, data, text, stamp):
    with zipfile.ZipFile(io.BytesIO(data)) as archive:
        expect(f"{label}: zipfile comment", archive.comment, b"")
        expect(f"{label}: zipfile names", archive.namelist(), [JSON_NAME.decode(), DIR_NAME.decode()])
        expect(f"{label}: zipfile test", archive.testzip(), None)
        when = (1980 + (stamp[1] >> 9), stamp[1] >> 5 & 15, stamp[1] & 31,
                stamp[0] >> 11, stamp[0] >> 5 & 63, (stamp[0] & 31) * 2)
        rows = [(JSON_NAME, 0x0808, zipfile.ZIP_DEFLATED, 0x00, False, len(text)),
                (DIR_NAME, 0x0800, zipfile.ZIP_STORED, 0x10, True, 0)]
        for info, (name, flags, method, attributes, is_dir, size) in zip(archive.infolist(), rows):
            expect(f"{label}: zipfile {name}",
                   (info.create_system, info.create_version, info.extract_version, info.flag_bits,
                    info.compress_type, info.external_attr, info.internal_attr, info.is_dir(),
                    info.file_size, info.date_time, info.extra, info.comment),
                   (0, 20, 20, flags, method, attributes, 0, is_dir, size, when, b"", b""))
        expect(f"{label}: zipfile read", archive.read(JSON_NAME.decode()), text)
        expect(f"{label}: zipfile read directory", archive.read(DIR_NAME.decode()), b"")


def check_with_unzip(label, data):
    with tempfile.TemporaryDirectory() as scratch:
        path = os.path.join(scratch, "manifest.zip")
        with open(path, "wb") as f:
            f.write(data)
        tested = subprocess.run(["unzip", "-t", path], capture_output=True, text=True)
        check(tested.returncode == 0 and "No errors detected" in tested.stdout,
              f"{label}: unzip -t: {tested.stdout}{tested.stderr}")
        listed = subprocess.run(["zipinfo", "-v", path], capture_output=True, text=True)
        check(listed.returncode == 0, f"{label}: zipinfo -v failed: {listed.stderr}")
        check("There is no zipfile comment." in listed.stdout, f"{label}: zipinfo: archive comment")
        entries = re.split(r"Central directory entry #\d+:", listed.stdout)[1:]
        rows = [
            (JSON_NAME, "deflated", "yes", "MS-DOS file attributes (00 hex)", "none"),
            (DIR_NAME, "none (stored)", "no", "MS-DOS file attributes (10 hex)", "dir"),
        ]
        expect(f"{label}: zipinfo entries", len(entries), len(rows))
        for entry, (name, method, descriptor, attributes, kind) in zip(entries, rows):
            fields = dict(re.findall(r"^  ([^:\n]+):[ \t]+(.*?)[ \t]*$", entry, re.M))
            expect(f"{label}: zipinfo {name} fields",
                   (fields.get("version of encoding software"),
                    fields.get("file system or operating system of origin"),
                    fields.get("minimum software version required to extract"),
                    fields.get("compression method"),
                    fields.get("extended local header"),
                    fields.get("length of extra field"),
                    fields.get(attributes)),
                   ("2.0", "MS-DOS, OS/2 or NT FAT", "2.0", method, descriptor, "0 bytes", kind))
            check("\n  " + name.decode() + "\n" in entry, f"{label}: zipinfo: no entry {name}")
            check("There is no file comment." in entry, f"{label}: zipinfo {name} comment")


def run_tool(tool, mode, path, epoch=None):
    env = dict(os.environ)
    env.pop("SOURCE_DATE_EPOCH", None)
    if epoch is not None:
        env["SOURCE_DATE_EPOCH"] = epoch
    return subprocess.run([tool, mode, path], env=env, capture_output=True, text=True)


def test_tool(tool):
    tool = os.path.abspath(tool)
    with tempfile.TemporaryDirectory() as scratch:
        out = os.path.join(scratch, "manifest.zip")

        # SOURCE_DATE_EPOCH -> DOS (time, date), in UTC, clamped to the format.
        cases = [
            ("before 1980 clamps to its start", "0", (0, 0x0021)),
            ("start of 1980", "315532800", (0, 0x0021)),
            ("odd second rounds down", "1718236799", (23 << 11 | 59 << 5 | 29, 44 << 9 | 6 << 5 | 12)),
            ("leap day", "1709210096", (12 << 11 | 34 << 5 | 28, 44 << 9 | 2 << 5 | 29)),
            ("end of 2099", "4102444799", (23 << 11 | 59 << 5 | 29, 119 << 9 | 12 << 5 | 31)),
            ("after 2107 clamps to its end", "99999999999", (23 << 11 | 59 << 5 | 29, 127 << 9 | 12 << 5 | 31)),
        ]
        for name, epoch, stamp in cases:
            run = run_tool(tool, "--zip", out, epoch)
            if check(run.returncode == 0, f"tool, {name}: exit {run.returncode} {run.stderr}"):
                with open(out, "rb") as f:
                    _, got = check_archive(f"tool, {name}", f.read())
                expect(f"tool, {name}: stamp", got, stamp)

        # Without SOURCE_DATE_EPOCH: stamped now, in UTC; a new UUID every run.
        uuids = set()
        for i in range(8):
            before = dos_stamp(datetime.datetime.now(datetime.timezone.utc))
            run = run_tool(tool, "--zip", out)
            after = dos_stamp(datetime.datetime.now(datetime.timezone.utc))
            if check(run.returncode == 0, f"tool run {i}: exit {run.returncode} {run.stderr}"):
                with open(out, "rb") as f:
                    uuid, stamp = check_archive(f"tool run {i}", f.read())
                uuids.add(uuid)
                check(before[::-1] <= stamp[::-1] <= after[::-1], f"tool run {i}: stamp {stamp} not now")
        expect("tool: distinct UUIDs in 8 runs", len(uuids), 8)

        # The generated source defines exactly such an archive, writable and kept.
        source = os.path.join(scratch, "manifest.cpp")
        run = run_tool(tool, "--source", source)
        if check(run.returncode == 0, f"tool --source: exit {run.returncode} {run.stderr}"):
            with open(source) as f:
                text = f.read()
            definition = re.search(
                r'extern "C" \{\nARMKIN_MANIFEST_KEEP ARMKIN_MANIFEST_LOCAL unsigned char '
                + SYMBOL + r"\[(\d+)\] = \{([0-9a-fx,\s]*)\};\n\}\n\Z", text)
            if check(definition is not None, "tool --source: no definition of " + SYMBOL):
                data = bytes(int(b, 16) for b in re.findall(r"0x([0-9a-f]{2}),", definition.group(2)))
                expect("tool --source: array length", int(definition.group(1)), len(data))
                uuid, _ = check_archive("tool --source", data)
                check(f"bundle {uuid}." in text, "tool --source: banner names another UUID")
            for needed in ("__attribute__((used, retain))", "__attribute__((used))",
                           '__attribute__((visibility("hidden")))', "defined(__ELF__)"):
                check(needed in text, f"tool --source: missing {needed}")
            check("const" not in text.split("extern")[1], "tool --source: archive is const")

        # Failures: message, exit status, nothing left behind.
        cases = [
            ("epoch not a number", ["--zip", "bad.zip"], "12x", 1, "SOURCE_DATE_EPOCH"),
            ("epoch empty", ["--zip", "bad.zip"], "", 1, "SOURCE_DATE_EPOCH"),
            ("epoch negative", ["--zip", "bad.zip"], "-5", 1, "SOURCE_DATE_EPOCH"),
            ("unwritable output", ["--zip", "no/such/dir/bad.zip"], None, 1, "cannot write"),
            ("unknown mode", ["--json", "bad.zip"], None, 2, "usage"),
            ("no output", ["--zip"], None, 2, "usage"),
        ]
        for name, args, epoch, status, message in cases:
            env = dict(os.environ)
            env.pop("SOURCE_DATE_EPOCH", None)
            if epoch is not None:
                env["SOURCE_DATE_EPOCH"] = epoch
            run = subprocess.run([tool] + args, env=env, capture_output=True, text=True, cwd=scratch)
            expect(f"tool, {name}: exit status", run.returncode, status)
            check(message in run.stderr, f"tool, {name}: stderr {run.stderr!r}")
            expect(f"tool, {name}: files left", sorted(os.listdir(scratch)), ["manifest.cpp", "manifest.zip"])


def sections(objdump, path):
    """(name, size, file offset, flags) of every section, from objdump -h."""
    listing = subprocess.run([objdump, "-h", path], capture_output=True, text=True, check=True).stdout
    return [(m.group(1), int(m.group(2), 16), int(m.group(3), 16), m.group(4))
            for m in re.finditer(r"^\s*\d+\s+(\S+)\s+([0-9a-f]+)\s+[0-9a-f]+\s+[0-9a-f]+\s+([0-9a-f]+)"
                                 r"\s+2\*\*\d+\s*\n\s*(.*)$", listing, re.M)]


def carve(label, data):
    """The one archive in a file: from its first local header to its end record."""
    starts = [m.start() for m in re.finditer(re.escape(b"PK\x03\x04"), data)
              if data[m.start() + LOCAL.size:m.start() + LOCAL.size + len(JSON_NAME)] == JSON_NAME]
    if not check(len(starts) == 1, f"{label}: {len(starts)} manifest archives, expected 1"):
        return None, None
    end = data.find(b"PK\x05\x06", starts[0])
    if not check(end >= 0, f"{label}: no end of central directory record"):
        return None, None
    return starts[0], data[starts[0]:end + END.size]


def test_embedded(objdump, paths):
    uuids = {}
    for path in paths:
        label = os.path.basename(path)
        with open(path, "rb") as f:
            data = f.read()
        offset, archive = carve(label, data)
        if archive is None:
            continue
        uuid, stamp = check_archive(label, archive)
        uuids.setdefault(uuid, []).append(label)

        # Stamped when built: not before 2024, not after the file was written.
        built = datetime.datetime.fromtimestamp(os.path.getmtime(path) + 2, datetime.timezone.utc)
        check((44 << 9, 0) <= stamp[::-1] <= dos_stamp(built)[::-1], f"{label}: stamp {stamp}")

        # In the writable, initialised data section.
        holders = [s for s in sections(objdump, path) if s[2] <= offset and offset + len(archive) <= s[2] + s[1]]
        expect(f"{label}: section holding the archive", [(s[0], "DATA" in s[3], "READONLY" in s[3])
                                                           for s in holders], [(".data", True, False)])

        # Not exported: ELF dynamic symbols, PE export table.
        exports = subprocess.run([objdump, "-T" if data[:4] == b"\x7fELF" else "-p", path],
                                 capture_output=True, text=True, check=True).stdout
        check(SYMBOL not in exports, f"{label}: {SYMBOL} is exported")
    for uuid, owners in uuids.items():
        check(len(owners) == 1, f"bundle UUID {uuid} shared by {owners}")
    expect("files checked", sum(len(o) for o in uuids.values()), len(paths))


def main(argv):
    if len(argv) == 3 and argv[1] == "tool":
        test_tool(argv[2])
    elif len(argv) >= 5 and argv[1] == "embedded" and argv[2] == "--objdump":
        test_embedded(argv[3], argv[4:])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
