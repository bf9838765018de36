#!/usr/bin/python3
"""Checks a release bundle against the history you trust (verify-release.sh is the entry).

    verify_release.py [--trust REF] [--allow-older] [--signer SHA256] BUNDLE

The bundle is data from anyone: it never chooses what runs. Only a commit reachable from REF
(default: the branch checked out here) is rebuilt, with this repository's own copy of that
commit and a clean environment; nothing is fetched. Its five files are read without following
links, with size caps, and every text from them is printed with control characters escaped.
The exit code is the verdict: 0 reproduced, 1 not (or not checkable, with the cause named),
2 a wrong command line.
"""
import argparse
import hashlib
import json
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXE, NOTICES, RECORD, SUMS = "tarnwick.exe", "THIRD-PARTY-NOTICES.txt", "BUILDINFO", "SHA256SUMS"
SBOM_NAME = re.compile(r"tarnwick-[0-9]+(\.[0-9]+){1,3}\.cdx\.json")
CAPS = {EXE: 32 << 20}  # bytes; every other file of the bundle: DEFAULT_CAP
DEFAULT_CAP = 8 << 20
PACKAGE = re.compile(r"[a-z0-9][a-z0-9.+-]*")
VERSION = re.compile(r"[A-Za-z0-9.+~:-]+")
MAX_RANGES = 8


class Refused(Exception):
    """The bundle is not reproduced, or cannot be checked; the message says why."""


def shown(text):
    """Text from the bundle as it may be printed: control characters and escapes escaped."""
    if isinstance(text, bytes):
        text = text.decode("utf-8", errors="backslashreplace")
    return "".join(c if c.isprintable() and c != "\\" else
                   ("\\\\" if c == "\\" else f"\\x{ord(c):02x}" if ord(c) < 256 else
                    f"\\u{ord(c):04x}") for c in text)


def run(*command, env=None, timeout=None):
    return subprocess.run(command, capture_output=True, text=True, env=env, timeout=timeout)


def git(*arguments):
    return run("git", "-C", ROOT, *arguments)


# The bundle, read as data.

def read_bundle(path, into):
    """Copies the bundle's five regular files into `into`; returns their names."""
    try:
        info = os.lstat(path)
    except OSError as e:
        raise Refused(f"the bundle '{shown(path)}' cannot be read: {e.strerror}")
    if not stat.S_ISDIR(info.st_mode):
        raise Refused(f"'{shown(path)}' is not a release bundle: not a folder"
                      + (" (a symbolic link is not followed)" if stat.S_ISLNK(info.st_mode) else ""))
    folder = os.open(path, os.O_RDONLY | os.O_DIRECTORY | os.O_NOFOLLOW)
    try:
        names = sorted(os.listdir(folder))
        sboms = [n for n in names if SBOM_NAME.fullmatch(n)]
        expected = {EXE, NOTICES, RECORD, SUMS} | set(sboms[:1])
        missing = sorted({EXE, NOTICES, RECORD, SUMS} - set(names)) + ([] if sboms else
                                                                       ["tarnwick-VERSION.cdx.json"])
        extra = sorted(set(names) - expected)
        if missing:
            raise Refused("the bundle lacks " + ", ".join(shown(n) for n in missing)
                          + (": which commit and toolchain made it is unknown"
                             if RECORD in missing else ""))
        if extra:
            raise Refused("the bundle holds files a release has not: "
                          + ", ".join(f"'{shown(n)}'" for n in extra))
        for name in sorted(expected):
            read_file(folder, name, os.path.join(into, name))
        return sorted(expected)
    finally:
        os.close(folder)


def read_file(folder, name, copy):
    try:
        info = os.lstat(name, dir_fd=folder)
        if not stat.S_ISREG(info.st_mode):
            kind = ("a symbolic link" if stat.S_ISLNK(info.st_mode) else
                    "a named pipe" if stat.S_ISFIFO(info.st_mode) else "not a regular file")
            raise Refused(f"{shown(name)}: {kind}, not a file of a release")
        # No link is followed and no pipe waited on, even if the file changed meanwhile.
        handle = os.open(name, os.O_RDONLY | os.O_NOFOLLOW | os.O_NONBLOCK, dir_fd=folder)
    except OSError as e:
        raise Refused(f"{shown(name)}: cannot be read ({e.strerror})")
    with os.fdopen(handle, "rb") as f:
        if not stat.S_ISREG(os.fstat(f.fileno()).st_mode):
            raise Refused(f"{shown(name)}: not a regular file")
        cap = CAPS.get(name, DEFAULT_CAP)
        data = f.read(cap + 1)
    if len(data) > cap:
        raise Refused(f"{shown(name)}: larger than a release's ({cap >> 20} MiB at most)")
    with open(copy, "wb") as out:
        out.write(data)


def read_text(path, what):
    with open(path, "rb") as f:
        data = f.read()
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        raise Refused(f"{what}: not UTF-8 text")


def parse_record(text):
    """BUILDINFO's fields, each checked before use."""
    fields, packages, in_depends = {}, {}, False
    for number, line in enumerate(text.split("\n"), 1):
        if not line:
            continue
        if in_depends and line.startswith(" "):
            m = re.fullmatch(r" (\S+) \(= (\S+)\)", line)
            if not m or not PACKAGE.fullmatch(m[1]) or not VERSION.fullmatch(m[2]):
                raise Refused(f"BUILDINFO line {number}: not a package and version: "
                              f"'{shown(line)}'")
            if m[1] in packages:
                raise Refused(f"BUILDINFO line {number}: {m[1]} is listed twice")
            packages[m[1]] = m[2]
            continue
        m = re.fullmatch(r"([A-Za-z-]+): ?(.*)", line)
        if not m:
            raise Refused(f"BUILDINFO line {number}: not a field: '{shown(line)}'")
        if m[1] in fields:
            raise Refused(f"BUILDINFO line {number}: the field {m[1]} is given twice")
        fields[m[1]] = m[2]
        in_depends = m[1] == "Installed-Build-Depends"
    if fields.get("Format") != "tarnwick-buildinfo 1":
        raise Refused("BUILDINFO: not a build record of this project (Format)")
    commit = fields.get("Commit", "")
    if not re.fullmatch(r"[0-9a-f]{40}", commit):
        raise Refused(f"BUILDINFO: the build record names no commit ('{shown(commit)}')")
    if fields.get("Source-Tree") != "clean":
        raise Refused(f"the bundle was built from uncommitted changes to {commit}: no commit "
                      "reproduces it")
    epoch = fields.get("Source-Date-Epoch", "")
    if not re.fullmatch(r"[0-9]{1,12}", epoch):
        raise Refused(f"BUILDINFO: Source-Date-Epoch is not a time ('{shown(epoch)}')")
    return commit, int(epoch), packages


def parse_sums(text, names):
    """SHA256SUMS: one line for each of the bundle's other files, nothing else."""
    sums = {}
    for number, line in enumerate(text.split("\n"), 1):
        if not line:
            continue
        m = re.fullmatch(r"([0-9a-f]{64}) [ *](.+)", line)
        if not m:
            raise Refused(f"SHA256SUMS line {number}: not a SHA-256 and a file name: "
                          f"'{shown(line)}'")
        name = m[2]
        if name not in names or name == SUMS:
            raise Refused(f"SHA256SUMS line {number}: '{shown(name)}' is not a file of the bundle")
        if name in sums:
            raise Refused(f"SHA256SUMS line {number}: {name} is listed twice")
        sums[name] = m[1]
    unlisted = sorted(set(names) - {SUMS} - set(sums))
    if unlisted:
        raise Refused("SHA256SUMS lists no digest for " + ", ".join(unlisted))
    return sums


# The history the user trusts.

def trusted_tip(ref):
    if ref is None:
        branch = git("symbolic-ref", "-q", "--short", "HEAD").stdout.strip()
        ref = branch or "HEAD"
    done = git("rev-parse", "--verify", "--quiet", "--end-of-options", ref + "^{commit}")
    if done.returncode != 0:
        raise Refused(f"'{shown(ref)}' names no commit in this repository ({ROOT})")
    return ref, done.stdout.strip()


def check_trusted(commit, ref, tip, allow_older):
    if git("cat-file", "-e", commit + "^{commit}").returncode != 0 or \
            git("merge-base", "--is-ancestor", commit, tip).returncode != 0:
        raise Refused(f"commit {commit} is not in the history you trust ({shown(ref)}): only "
                      "commits reachable from it are rebuilt. If you trust the maker's "
                      "repository, fetch it yourself and name its release with --trust")
    behind = int(git("rev-list", "--count", f"{commit}..{tip}").stdout.strip() or 0)
    if behind and not allow_older:
        raise Refused(f"the bundle is of commit {commit}, older than {shown(ref)} by {behind} "
                      f"commit{'s' if behind > 1 else ''}: an older release. To check that version, name it "
                      "(--trust TAG-OR-COMMIT) or pass --allow-older")
    return behind


def tags_of(commit):
    return git("tag", "--points-at", commit).stdout.split()


# The signature.

def signature_of(exe, work, pinned):
    """None for an unsigned executable; else who signed it, when, and that it verifies now."""
    der = os.path.join(work, "signature.der")
    if run("osslsigncode", "extract-signature", "-in", exe, "-out", der).returncode != 0:
        return None
    cas = os.environ.get("TARNWICK_SIGN_CA_FILE", "/etc/ssl/certs/ca-certificates.crt")
    tsa_cas = os.environ.get("TARNWICK_SIGN_TSA_CA_FILE", cas)
    checked = run("osslsigncode", "verify", "-in", exe, "-CAfile", cas, "-TSA-CAfile", tsa_cas)
    out = checked.stdout
    signer = re.search(r"Signer's certificate:\s*-+\s*Signer #0:\s*Subject: (.*)\n\s*Issuer : "
                       r"(.*)\n\s*Serial : (\S+)", out)
    stamp = re.search(r"Timestamp time: (.*)", out)
    authority = re.search(r"Timestamp verified using:.*?Signer #0:\s*Subject: (.*?)\n", out, re.S)
    found = {"subject": signer[1] if signer else "(unknown)",
             "fingerprint": fingerprint(der, signer[3]) if signer else None,
             "time": stamp[1] if stamp else None,
             "authority": authority[1] if authority else None}
    current = re.search(r"Current message digest\s*: (\S+)", out)
    calculated = re.search(r"Calculated message digest\s*: (\S+)", out)
    # Bytes changed after signing: the signature itself may be the maker's, and the comparison
    # with the rebuild shows where the bytes changed.
    found["changed"] = bool(current and calculated and current[1] != calculated[1])
    if found["changed"]:
        return found  # judged on the rebuild it is attached to, which has the signed bytes
    if checked.returncode != 0 or "Signature verification: ok" not in out:
        said = (checked.stdout + checked.stderr).strip().splitlines() or ["nothing"]
        raise Refused(f"the signature of tarnwick.exe does not verify now (signer "
                      f"'{shown(found['subject'])}'): osslsigncode says '{shown(said[-1])}'")
    if not found["time"]:
        raise Refused(f"the signature of tarnwick.exe has no timestamp (signer "
                      f"'{shown(found['subject'])}'): it turns invalid when the certificate "
                      "expires, and a release is never signed so")
    if "Timestamp Server Signature verification: ok" not in out:
        raise Refused("the signature's timestamp does not verify (a timestamp of another "
                      f"signature, or an authority not trusted), signer '{shown(found['subject'])}'")
    if not found["fingerprint"]:
        raise Refused("the signer's certificate is not in the signature")
    if pinned and found["fingerprint"] != pinned:
        raise Refused(f"signed by '{shown(found['subject'])}', certificate SHA-256 "
                      f"{found['fingerprint']}, not by the certificate you named ({pinned})")
    return found


def fingerprint(der, serial):
    """The SHA-256 fingerprint of the signature's certificate with that serial number."""
    certs = run("openssl", "pkcs7", "-inform", "DER", "-in", der, "-print_certs").stdout
    for pem in re.findall(r"-----BEGIN CERTIFICATE-----.*?-----END CERTIFICATE-----", certs,
                          re.S):
        read = subprocess.run(["openssl", "x509", "-noout", "-serial", "-fingerprint", "-sha256"],
                              input=pem, capture_output=True, text=True)
        got = dict(re.findall(r"^(serial|.*Fingerprint)=(.*)$", read.stdout, re.M))
        number = got.get("serial", "").lstrip("0").upper()
        if number and number == serial.replace(":", "").lstrip("0").upper():
            return next(v for k, v in got.items() if k != "serial").replace(":", "").lower()
    return None


# The rebuild and the comparison.

def rebuild(commit, epoch, signature, work):
    source = os.path.join(work, "source")
    for step in (("git", "clone", "--quiet", "--no-checkout", "--", ROOT, source),
                 ("git", "-C", source, "checkout", "--quiet", commit)):
        done = run(*step)
        if done.returncode != 0:
            raise Refused(f"the commit {commit} could not be checked out: {shown(done.stderr)}")
    # Nothing of the user's but what a build needs: no signing secrets, no settings.
    home = os.path.join(work, "home")
    os.mkdir(home)
    env = {"PATH": "/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin", "HOME": home,
           "LANG": "C.UTF-8", "TMPDIR": work, "SOURCE_DATE_EPOCH": str(epoch)}
    if signature:
        env["TARNWICK_ATTACH_SIGNATURE"] = os.path.join(work, "signature.der")
        for name in ("TARNWICK_SIGN_CA_FILE", "TARNWICK_SIGN_TSA_CA_FILE"):
            if name in os.environ:
                env[name] = os.environ[name]
    out = os.path.join(work, "rebuilt")
    done = run(os.path.join(source, "scripts", "release.sh"), out, env=env)
    if done.returncode != 0:
        sys.stderr.write(done.stdout + done.stderr)
        raise Refused(f"the rebuild of {commit} failed")
    made = os.listdir(out)
    return os.path.join(out, made[0])


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
    import pefile
    try:
        pe = pefile.PE(data=data, fast_load=True)
    except pefile.PEFormatError:
        return lambda offset: "not a PE file"
    security = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
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


def compare(shipped, rebuilt, names, sums, sbom, stated):
    problems = []
    made = sorted(os.listdir(rebuilt))
    if made != names:
        problems.append("the release command makes " + ", ".join(made) + "; the bundle holds "
                        + ", ".join(shown(n) for n in names))
    for name in sorted(set(names) & set(made)):
        with open(os.path.join(shipped, name), "rb") as f:
            a = f.read()
        with open(os.path.join(rebuilt, name), "rb") as f:
            b = f.read()
        if name in sums and hashlib.sha256(a).hexdigest() != sums[name]:
            problems.append(f"{name}: its SHA-256 is not the one in SHA256SUMS")
        if a == b:
            continue
        where = where_in_pe(b) if name == EXE else None
        found = ranges(a, b)
        lines = []
        for first, last in found[:MAX_RANGES]:
            line = f"    bytes 0x{first:x}-0x{last:x} ({last - first + 1} bytes)"
            lines.append(line + (f", in {where(first)}" if where else ""))
        if len(found) > MAX_RANGES:
            lines.append(f"    and {len(found) - MAX_RANGES} more ranges")
        problems.append(f"{name}: differs from the rebuild ({len(a)} bytes shipped, "
                        f"{len(b)} rebuilt):\n" + "\n".join(lines))
    with open(os.path.join(shipped, EXE), "rb") as f:
        exe = f.read()
    for alg, digest in (("SHA-256", hashlib.sha256(exe).hexdigest()),
                        ("SHA-512", hashlib.sha512(exe).hexdigest())):
        if stated.get(alg) != digest:
            problems.append(f"{sbom}: its {alg} of tarnwick.exe is not the executable's")
    return problems


def sbom_hashes(shipped, names):
    """The SBOM's name, and the hashes it gives for the executable."""
    sbom = next(n for n in names if SBOM_NAME.fullmatch(n))
    try:
        document = json.loads(read_text(os.path.join(shipped, sbom), sbom))
        stated = {h["alg"]: h["content"] for h in document["metadata"]["component"]["hashes"]}
    except (ValueError, KeyError, TypeError, RecursionError, AttributeError) as e:
        raise Refused(f"{sbom}: not an SBOM whose product has hashes ({type(e).__name__})")
    return sbom, stated


def version_of(exe):
    """The version the executable's own version block gives."""
    import pefile
    pe = pefile.PE(exe)
    for info in getattr(pe, "FileInfo", []) or []:
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                value = table.entries.get(b"ProductVersion") or table.entries.get(b"FileVersion")
                if value:
                    return value.decode("utf-8", errors="replace")
    return "(no version block)"


def toolchain_packages():
    with open(os.path.join(ROOT, "scripts", "toolchain-packages")) as f:
        return [line.strip() for line in f if line.strip() and not line.startswith("#")]


def check_toolchain(recorded):
    expected = toolchain_packages()
    if set(recorded) != set(expected):
        raise Refused("BUILDINFO does not list the toolchain that decides the executable's "
                      "bytes: expected " + ", ".join(expected) + "; listed "
                      + (", ".join(shown(p) for p in recorded) or "none"))
    differ = []
    for package in expected:
        done = run("dpkg-query", "-W", "-f=${Version}", "--", package)
        installed = done.stdout.strip() if done.returncode == 0 else ""
        if installed != recorded[package]:
            differ.append(f"  {package:<28} {shown(recorded[package]):<28} "
                          f"{installed or '(not installed)'}")
    if differ:
        raise Refused("the installed toolchain differs from the one that made the bundle:\n"
                      f"  {'package':<28} {'recorded':<28} installed\n" + "\n".join(differ))


def main():
    parser = argparse.ArgumentParser(prog="verify-release.sh", add_help=True)
    parser.add_argument("--trust", metavar="REF", help="the history to trust (default: the "
                        "branch checked out here)")
    parser.add_argument("--allow-older", action="store_true",
                        help="accept a release older than REF")
    parser.add_argument("--signer", metavar="SHA256",
                        help="the maker's code-signing certificate's SHA-256 fingerprint")
    parser.add_argument("bundle")
    options = parser.parse_args()
    pinned = None
    if options.signer:
        pinned = options.signer.replace(":", "").lower()
        if not re.fullmatch(r"[0-9a-f]{64}", pinned):
            parser.error("--signer takes a SHA-256 fingerprint (64 hexadecimal digits)")

    work = tempfile.mkdtemp(prefix="verify-release-")
    try:
        ref, tip = trusted_tip(options.trust)
        shipped = os.path.join(work, "shipped")
        os.mkdir(shipped)
        names = read_bundle(options.bundle, shipped)
        commit, epoch, packages = parse_record(read_text(os.path.join(shipped, RECORD),
                                                         RECORD))
        sums = parse_sums(read_text(os.path.join(shipped, SUMS), SUMS), names)
        sbom, stated = sbom_hashes(shipped, names)
        behind = check_trusted(commit, ref, tip, options.allow_older)
        committed = int(git("log", "-1", "--format=%ct", commit).stdout.strip())
        if epoch != committed:
            raise Refused(f"BUILDINFO: Source-Date-Epoch {epoch} is not the time of commit "
                          f"{commit} ({committed}), which a release of it states")
        check_toolchain(packages)
        signature = signature_of(os.path.join(shipped, EXE), work, pinned)
        if pinned and not signature:
            raise Refused("tarnwick.exe is not signed, and you named the maker's certificate")
        print(f"Building {commit} in a clean clone of this repository, as the release "
              "command does...", flush=True)
        rebuilt = rebuild(commit, epoch, signature, work)
        problems = compare(shipped, rebuilt, names, sums, sbom, stated)
        if signature and signature["changed"]:
            problems.insert(0, "tarnwick.exe: its signature does not match its bytes: they "
                               "were changed after it was signed")
            try:  # the signature itself, on the bytes it was made for
                signature_of(os.path.join(rebuilt, EXE), work, pinned)
            except Refused as refusal:
                problems.insert(1, f"tarnwick.exe: {refusal}")
        if problems:
            print(f"NOT reproduced from commit {commit}:")
            for problem in problems:
                print("  " + problem)
            return 1
        with open(os.path.join(shipped, EXE), "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        tags = tags_of(commit)
        print(f"reproduced: tarnwick {version_of(os.path.join(rebuilt, EXE))} from commit "
              f"{commit}" + (f" (tag {', '.join(tags)})" if tags else "")
              + f", tarnwick.exe sha256 {digest}")
        if behind:
            print(f"  an OLDER release: {behind} commits before {shown(ref)}, as you allowed")
        if signature:
            print(f"  signed by '{shown(signature['subject'])}', certificate SHA-256 "
                  f"{signature['fingerprint']}" + (" (the one you named)" if pinned else
                                                   " (name it with --signer to require it)"))
            print(f"  timestamped {shown(signature['time'])} by "
                  f"'{shown(signature['authority'] or '(unknown)')}'; the signature verifies now")
        else:
            print("  UNSIGNED: Windows will warn its users of an unknown publisher")
        return 0
    except Refused as refusal:
        print(f"verify-release: {refusal}", file=sys.stderr)
        return 1
    except Exception as error:  # a check that broke is a bundle not reproduced, never a trace
        print(f"verify-release: the bundle could not be checked: {type(error).__name__}: "
              f"{shown(str(error))}", file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit(1)
