#!/usr/bin/python3
"""Compares a shipped release bundle with its rebuild, file by file, and checks the bundle's
own records: SHA256SUMS, and the hashes that the SBOM gives for the executable.

    compare_bundle.py SHIPPED REBUILT COMMIT

Prints "reproduced" with the commit and the executable's digest, or each difference: which
file, which byte ranges, and for the executable the PE section they lie in. Exits 1 on any.
"""
import hashlib
import json
import os
import sys

import pefile

MAX_RANGES = 8


def read(path):
    with open(path, "rb") as f:
        return f.read()


def ranges(a, b):
    """The byte ranges (first, last) where a and b differ; past the shorter one, one range."""
    found, start = [], None
    for i in range(min(len(a), len(b))):
        if a[i] != b[i]:
            start = i if start is None else start
        elif start is not None:
            found.append((start, i - 1))
            start = None
    if start is not None:
        found.append((start, min(len(a), len(b)) - 1))
    if len(a) != len(b):
        found.append((min(len(a), len(b)), max(len(a), len(b)) - 1))
    return found


def where_in_pe(data):
    """A function naming the part of a PE file that holds an offset."""
    try:
        pe = pefile.PE(data=data, fast_load=True)
    except pefile.PEFormatError:
        return lambda offset: "not a PE file"
    security = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
    parts = [(s.PointerToRawData, s.PointerToRawData + s.SizeOfRawData,
              "section " + s.Name.rstrip(b"\0").decode(errors="replace")) for s in pe.sections]
    if security.Size:
        parts.append((security.VirtualAddress, security.VirtualAddress + security.Size,
                      "the Authenticode signature"))
    first = min(p[0] for p in parts) if parts else len(data)

    def where(offset):
        for start, end, name in parts:
            if start <= offset < end:
                return name
        return "the headers" if offset < first else "after the sections"
    return where


def main():
    shipped, rebuilt, commit = sys.argv[1:4]
    problems = []
    names = sorted(set(os.listdir(shipped)) | set(os.listdir(rebuilt)))
    for name in names:
        a, b = os.path.join(shipped, name), os.path.join(rebuilt, name)
        if not os.path.exists(a):
            problems.append(f"{name}: missing from the bundle")
            continue
        if not os.path.exists(b):
            problems.append(f"{name}: in the bundle, but the release command makes no such file")
            continue
        shipped_bytes, rebuilt_bytes = read(a), read(b)
        if shipped_bytes == rebuilt_bytes:
            continue
        where = where_in_pe(rebuilt_bytes) if name.endswith(".exe") else None
        found = ranges(shipped_bytes, rebuilt_bytes)
        lines = []
        for first, last in found[:MAX_RANGES]:
            line = f"    bytes 0x{first:x}-0x{last:x} ({last - first + 1} bytes)"
            if where:
                line += f", in {where(first)}"
            lines.append(line)
        if len(found) > MAX_RANGES:
            lines.append(f"    and {len(found) - MAX_RANGES} more ranges")
        problems.append(f"{name}: differs from the rebuild ({len(shipped_bytes)} bytes shipped, "
                        f"{len(rebuilt_bytes)} rebuilt):\n" + "\n".join(lines))

    # The bundle's own records of its files.
    sums = os.path.join(shipped, "SHA256SUMS")
    if os.path.exists(sums):
        with open(sums) as f:
            for line in f:
                digest, name = line.split(None, 1)
                name = name.strip().lstrip("*")
                path = os.path.join(shipped, name)
                if not os.path.exists(path) or hashlib.sha256(read(path)).hexdigest() != digest:
                    problems.append(f"{name}: its SHA-256 is not the one in SHA256SUMS")
    exe = read(os.path.join(shipped, "tarnwick.exe")) if "tarnwick.exe" in names else b""
    for name in names:
        if name.endswith(".cdx.json") and os.path.exists(os.path.join(shipped, name)):
            try:
                with open(os.path.join(shipped, name), encoding="utf-8") as f:
                    stated = {h["alg"]: h["content"]
                              for h in json.load(f)["metadata"]["component"]["hashes"]}
            except (ValueError, KeyError, TypeError) as e:
                problems.append(f"{name}: not an SBOM whose product has hashes ({e})")
                continue
            actual = {"SHA-256": hashlib.sha256(exe).hexdigest(),
                      "SHA-512": hashlib.sha512(exe).hexdigest()}
            for alg, digest in actual.items():
                if stated.get(alg) != digest:
                    problems.append(f"{name}: its {alg} of tarnwick.exe is not the executable's")

    if problems:
        print(f"NOT reproduced from commit {commit}:")
        for problem in problems:
            print("  " + problem)
        sys.exit(1)
    print(f"reproduced: {os.path.basename(os.path.normpath(shipped))} from commit {commit}, "
          f"tarnwick.exe sha256 {hashlib.sha256(exe).hexdigest()}")


if __name__ == "__main__":
    main()
