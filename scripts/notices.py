#!/usr/bin/python3
"""Writes the third-party notices of tarnwick.exe from the linker's map of the very build:
every object file from outside the program's own sources that the link pulled in, grouped by
the Debian package it comes from, with that package's licence and the notice text from the
package's own copyright file.

    notices.py MAP VERSION > THIRD-PARTY-NOTICES.txt

A file from a package this script knows no notice for stops it with an error, so that the list
cannot silently fall behind the toolchain.
"""
import collections
import os
import sys
import textwrap

import linkmap

# What each runtime's part of the executable is, its licence in words, and which part of the
# package's copyright file is the notice to ship (from the first marker to the end of the line
# holding the second; None: the whole file).
COMPONENTS = {
    "gcc": {
        "title": "GCC runtime libraries (libgcc, libstdc++ and the start-up objects)",
        "licence": "GNU General Public License, version 3 or later, with the GCC Runtime "
                   "Library Exception, version 3.1",
        "excerpt": ("GCC is Copyright (C)", "requirements of the license of GCC."),
    },
    "mingw-w64": {
        "title": "MinGW-w64 runtime (C run-time start-up, mingwex, and the import libraries "
                 "of the Windows system DLLs)",
        "licence": "Zope Public License 2.1, with parts in the public domain and under the "
                   "other terms listed in the notice",
        "excerpt": None,
    },
}


def notice_text(package, excerpt):
    path = f"/usr/share/doc/{package}/copyright"
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if excerpt:
        start = text.find(excerpt[0])
        end = text.find(excerpt[1], start)
        if start < 0 or end < 0:
            linkmap.fail(f"{path} no longer holds the expected notice; update notices.py")
        text = text[start:end + len(excerpt[1])]
    return path, text.rstrip() + "\n"


def fill(text, indent="  "):
    return textwrap.fill(text, width=90, subsequent_indent=indent, break_on_hyphens=False)


def main():
    map_path, version = sys.argv[1], sys.argv[2]
    by_component, packages = linkmap.runtime_parts(map_path)
    out = [f"Third-party software in tarnwick.exe {version}", "=" * 50, "",
           "tarnwick.exe is linked statically: it holds parts of the runtime libraries of its",
           "compiler, MinGW-w64 GCC for 32-bit Windows. This list is made from the link map of",
           "this build; it names every object file from outside tarnwick's own sources that",
           "the link took in, under the component it comes from.", ""]
    for number, component in enumerate(sorted(by_component), 1):
        d = COMPONENTS[component]
        out += [f"{number}. {d['title']}", "",
                fill(f"Licence: {d['licence']}"),
                fill("Debian packages: " + ", ".join(f"{p} {linkmap.version_of(p)}"
                                                     for p in sorted(packages[component]))),
                "Linked from:"]
        libraries = collections.defaultdict(set)
        for path, members in by_component[component].items():
            libraries[os.path.basename(path)] |= members
        for library, members in sorted(libraries.items()):
            named = sorted(m for m in members if m)
            out.append(fill(f"  {library}" + (": " + ", ".join(named) if named else ""),
                            indent="      "))
        source, text = notice_text(sorted(packages[component])[0], d["excerpt"])
        out += ["", f"Notice (from {source}):", "", text, ""]
    sys.stdout.write("\n".join(out))


if __name__ == "__main__":
    main()
