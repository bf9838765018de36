"""What the static link of tarnwick.exe took in from the toolchain, read from the linker's map
of the very build, and where each part comes from: shared by the third-party notices
(notices.py) and the software bill of materials (sbom.py), so that the two cannot disagree.
"""
import collections
import functools
import os
import re
import subprocess
import sys

# The runtimes a static link can take from the toolchain, with the Debian packages that hold
# their files. Their licences: the GCC runtime is under the GPL with the runtime library
# exception; the MinGW-w64 runtime's files are under the ZPL or in the public domain.
RUNTIMES = {
    "gcc": {
        "name": "GCC runtime libraries",
        "packages": ("gcc-mingw-w64-i686-win32", "g++-mingw-w64-i686-win32"),
        "supplier": "Free Software Foundation, Inc.",
        "spdx": "GPL-3.0-or-later WITH GCC-exception-3.1",
        # libgcc's threads and unwinder, and libstdc++, call these directly.
        "windows": ("kernel32.dll", "msvcrt.dll"),
    },
    "mingw-w64": {
        "name": "MinGW-w64 runtime",
        "packages": ("mingw-w64-i686-dev",),
        "supplier": "the mingw-w64 project",
        "spdx": "ZPL-2.1 AND LicenseRef-public-domain",
        "windows": ("kernel32.dll", "msvcrt.dll"),
    },
}


def fail(message):
    sys.exit(f"{os.path.basename(sys.argv[0])}: {message}")


def linked_files(map_text):
    """(library or object, member or None) for every input of the link that came from outside
    the build tree: archive members the link pulled in, and object files loaded directly."""
    found = set()
    included = map_text.split("Archive member included", 1)[1]
    included = re.split(r"^(?:Discarded input sections|Memory Configuration)", included, 1,
                        re.M)[0]
    for line in included.splitlines():
        m = re.match(r"^(/\S+\.a)\(([^)]+)\)", line)
        if m:
            found.add((os.path.realpath(m.group(1)), m.group(2)))
    for m in re.finditer(r"^LOAD (/\S+\.o)$", map_text, re.M):
        found.add((os.path.realpath(m.group(1)), None))
    return found


@functools.lru_cache(maxsize=None)
def package_of(path):
    out = subprocess.run(["dpkg", "-S", path], capture_output=True, text=True)
    if out.returncode != 0:
        fail(f"{path} belongs to no installed package")
    return out.stdout.split(":", 1)[0]


@functools.lru_cache(maxsize=None)
def dpkg_field(package, field):
    return subprocess.run(["dpkg-query", "-W", "-f=${" + field + "}", package],
                          capture_output=True, text=True, check=True).stdout


def version_of(package):
    return dpkg_field(package, "Version")


def upstream_version(debian_version):
    """12.2.0-14+deb12u1 -> 12.2.0: without the epoch and the Debian revision."""
    return debian_version.split(":", 1)[-1].rsplit("-", 1)[0]


def runtime_parts(map_path):
    """{runtime: {file path: set of members (None for an object loaded whole)}}, and
    {runtime: set of packages}. A file from a package of no known runtime stops the caller."""
    with open(map_path, encoding="utf-8", errors="replace") as f:
        files = linked_files(f.read())
    parts = collections.defaultdict(lambda: collections.defaultdict(set))
    packages = collections.defaultdict(set)
    for path, member in files:
        package = package_of(path)
        runtime = next((r for r, d in RUNTIMES.items() if package in d["packages"]), None)
        if runtime is None:
            fail(f"nothing is known of {path} (package {package}): add it to linkmap.py")
        parts[runtime][path].add(member)
        packages[runtime].add(package)
    return parts, packages
