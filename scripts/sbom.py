#!/usr/bin/python3
"""Writes the software bill of materials of a release of tarnwick.exe, CycloneDX 1.6 JSON:
the program as it ships, each runtime that the static link put into it (from the linker's
map of the very build, as the third-party notices are) with the files and members the link
took from it, and the Windows libraries it imports or loads when first needed, which Windows
provides and the release does not ship: the dependency graph ends with them.

    sbom.py EXE MAP COMMIT_TIME > tarnwick-VERSION.cdx.json

The same executable and map give the same bytes: the time is the commit's (or
SOURCE_DATE_EPOCH), the serial number is made from the executable's hash.
"""
import hashlib
import json
import os
import re
import sys
import time
import urllib.parse
import uuid

import pefile

import linkmap

BSI_FILENAME, BSI_EXECUTABLE = "bsi:component:filename", "bsi:component:executable"


def hashes(path):
    with open(path, "rb") as f:
        data = f.read()
    return [{"alg": "SHA-256", "content": hashlib.sha256(data).hexdigest()},
            {"alg": "SHA-512", "content": hashlib.sha512(data).hexdigest()}]


def version_block(pe):
    strings = {}
    for info in getattr(pe, "FileInfo", []) or []:
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    return strings


def windows_libraries(pe, data):
    """{name: how} for the DLLs the program imports, and those it loads by name when first
    needed (their names are in its data, as UTF-16)."""
    found = {}
    for entry in pe.DIRECTORY_ENTRY_IMPORT:
        found[entry.dll.decode().lower()] = "imported"
    for m in re.finditer(rb"((?:[A-Za-z0-9_]\x00){2,}\.\x00d\x00l\x00l\x00)\x00\x00", data):
        found.setdefault(m.group(1).decode("utf-16-le").lower(), "loaded when first needed")
    return found


def purl(package, version):
    arch = linkmap.dpkg_field(package, "Architecture")
    with open("/etc/os-release") as f:
        release = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
    distro = f"{release['ID']}-{release['VERSION_ID'].strip(chr(34))}"
    quote = lambda s: urllib.parse.quote(s, safe="")
    return f"pkg:deb/debian/{quote(package)}@{quote(version)}?arch={arch}&distro={distro}"


def properties(**named):
    return [{"name": name, "value": value} for name, value in named.items()]


def main():
    exe, map_path, commit_time = sys.argv[1:4]
    with open(exe, "rb") as f:
        data = f.read()
    pe = pefile.PE(data=data)
    block = version_block(pe)
    product_hashes = hashes(exe)
    stamp = time.strftime("%Y-%m-%dT%H:%M:%SZ",
                          time.gmtime(int(os.environ.get("SOURCE_DATE_EPOCH", commit_time))))
    product = {
        "type": "application",
        "bom-ref": "tarnwick",
        "supplier": {"name": block["CompanyName"]},
        "name": block["ProductName"],
        "version": block["ProductVersion"],
        "description": block["FileDescription"],
        "hashes": product_hashes,
        # The maker gives the program under its copyright and states no open licence.
        "licenses": [{"license": {"name": "Proprietary: " + block["LegalCopyright"],
                                  "acknowledgement": "declared"}}],
        "copyright": block["LegalCopyright"],
        "properties": properties(**{BSI_FILENAME: os.path.basename(exe),
                                    BSI_EXECUTABLE: "executable"}),
    }

    parts, _ = linkmap.runtime_parts(map_path)
    libraries = windows_libraries(pe, data)
    components, dependencies = [], []
    for runtime in sorted(parts):
        d = linkmap.RUNTIMES[runtime]
        files = []
        versions = set()
        for path in sorted(parts[runtime], key=os.path.basename):
            package = linkmap.package_of(path)
            version = linkmap.version_of(package)
            versions.add(linkmap.upstream_version(version))
            members = sorted(m for m in parts[runtime][path] if m)
            files.append({
                "type": "library",
                "bom-ref": f"{runtime}:{os.path.basename(path)}",
                "supplier": {"name": d["supplier"]},
                "name": os.path.basename(path),
                "version": linkmap.upstream_version(version),
                "hashes": hashes(path)[1:],
                "licenses": [{"expression": d["spdx"]}],
                "purl": purl(package, version),
                "properties": properties(**{BSI_FILENAME: path, BSI_EXECUTABLE: "executable"}) +
                [{"name": "tarnwick:linked-member", "value": m} for m in members],
            })
        # The import libraries the link used name the DLLs that the runtime calls for the
        # program.
        uses = set(d["windows"]) | {name[3:-2] + ".dll" for name in map(os.path.basename, parts[runtime])
                                    if name.startswith("lib") and name[3:-2] + ".dll" in libraries}
        components.append({
            "type": "library",
            "bom-ref": runtime,
            "supplier": {"name": d["supplier"]},
            "name": d["name"],
            "version": " ".join(sorted(versions)),
            "licenses": [{"expression": d["spdx"]}],
            "description": "Linked statically into tarnwick.exe: these files and members.",
            "components": files,
        })
        dependencies.append({"ref": runtime, "dependsOn": sorted("windows:" + u for u in uses)})

    for name, how in sorted(libraries.items()):
        components.append({
            "type": "library",
            "bom-ref": "windows:" + name,
            "supplier": {"name": "Microsoft Corporation"},
            "name": name,
            "description": f"Part of Windows, not shipped: {how} by tarnwick.exe from the "
                           "system folder.",
            "scope": "required" if how == "imported" else "optional",
            "properties": properties(**{BSI_FILENAME: name, BSI_EXECUTABLE: "executable"}),
        })
        dependencies.append({"ref": "windows:" + name, "dependsOn": []})
    dependencies.insert(0, {"ref": "tarnwick", "dependsOn": sorted(
        [c["bom-ref"] for c in components if not c["bom-ref"].startswith("windows:")] +
        ["windows:" + name for name in libraries])})

    sbom = {
        "$schema": "http://cyclonedx.org/schema/bom-1.6.schema.json",
        "bomFormat": "CycloneDX",
        "specVersion": "1.6",
        "serialNumber": uuid.uuid5(uuid.NAMESPACE_URL, "sha256:" +
                                   product_hashes[0]["content"]).urn,
        "version": 1,
        "metadata": {
            "timestamp": stamp,
            "lifecycles": [{"phase": "build"}],
            "component": product,
            "supplier": {"name": block["CompanyName"]},
        },
        "components": components,
        "dependencies": dependencies,
    }
    json.dump(sbom, sys.stdout, indent=2, ensure_ascii=False)
    sys.stdout.write("\n")


if __name__ == "__main__":
    main()
