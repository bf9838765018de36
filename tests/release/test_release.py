#!/usr/bin/python3
"""The release command and the check of its bundles (verify-release.sh), with throwaway
certificates from a throwaway CA and a timestamp authority on 127.0.0.1 (openssl ts behind a
few lines of HTTP server).

    test_release.py SHIPPED_EXE EXE_UNDER_TEST NOTICE_TESTS_EXE

SHIPPED_EXE is the 32-bit tarnwick.exe that the other tests ran; NOTICE_TESTS_EXE the
end-to-end test program, run under Wine ($WINELOADER) against the signed executable. Where
32-bit programs cannot run at all, EXE_UNDER_TEST is the x86-64 build, and that one is signed
the same way to be run.
"""
import hashlib
import http.server
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import pefile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SHIPPED = UNDER_TEST = NOTICE_TESTS = None
DAY = 86400
SBOM = "tarnwick-6.0.cdx.json"
BUNDLE = ["tarnwick.exe", "THIRD-PARTY-NOTICES.txt", SBOM, "BUILDINFO", "SHA256SUMS"]

CA_CONFIG = """
[ ca ]
default_ca = throwaway
[ throwaway ]
dir = {dir}
database = $dir/index.txt
new_certs_dir = $dir
serial = $dir/serial
default_md = sha256
policy = any
unique_subject = no
[ any ]
commonName = supplied
[ codesigning ]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
[ webserver ]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
[ timestamping ]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping

[ tsa ]
default_tsa = throwaway_tsa
[ throwaway_tsa ]
dir = {dir}
serial = $dir/tsa-serial
crypto_device = builtin
signer_cert = $dir/tsa.crt
certs = $dir/ca.crt
signer_key = $dir/tsa.key
signer_digest = sha256
default_policy = 1.3.6.1.4.1.4146.2.3
digests = sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
"""


def run(*command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def openssl_time(seconds):
    return time.strftime("%Y%m%d%H%M%SZ", time.gmtime(seconds))


class TimestampAuthority(http.server.BaseHTTPRequestHandler):
    """Answers RFC 3161 requests with `openssl ts -reply`."""
    folder = None

    def query(self, asked):
        """The request the token is made for: the one asked."""
        query = os.path.join(self.folder, "query.tsq")
        with open(query, "wb") as f:
            f.write(asked)
        return query

    def do_POST(self):
        query = self.query(self.rfile.read(int(self.headers["Content-Length"])))
        reply = os.path.join(self.folder, "reply.tsr")
        made = run("openssl", "ts", "-reply", "-config", os.path.join(self.folder, "ca.cnf"),
                   "-queryfile", query, "-out", reply)
        if made.returncode != 0:
            self.send_error(500, made.stderr)
            return
        with open(reply, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class MisplacedTimestamps(TimestampAuthority):
    """Answers every request with a valid token made for other bytes than those asked about."""

    def query(self, asked):
        other, query = (os.path.join(self.folder, n) for n in ("other.bin", "other.tsq"))
        with open(other, "wb") as f:
            f.write(b"another file")
        run("openssl", "ts", "-query", "-data", other, "-sha256", "-cert", "-out", query)
        return query


class Release(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="tarnwick-release-")
        d = cls.dir
        with open(os.path.join(d, "ca.cnf"), "w") as f:
            f.write(CA_CONFIG.format(dir=d))
        open(os.path.join(d, "index.txt"), "w").close()
        with open(os.path.join(d, "serial"), "w") as f:
            f.write("1000\n")
        with open(os.path.join(d, "tsa-serial"), "w") as f:
            f.write("01\n")
        with open(os.path.join(d, "password"), "w") as f:
            f.write("throwaway password")
        cls.ca = os.path.join(d, "ca.crt")
        cls.check(run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650",
                      "-keyout", os.path.join(d, "ca.key"), "-out", cls.ca,
                      "-subj", "/CN=Throwaway tarnwick test CA",
                      "-addext", "basicConstraints=critical,CA:TRUE",
                      "-addext", "keyUsage=critical,keyCertSign,cRLSign"))
        now = time.time()
        # A 30-day code-signing certificate, one that expired last year, one for a web server,
        # and the timestamp authority's.
        cls.issue("signer", "codesigning", now - DAY, now + 30 * DAY)
        cls.issue("expired", "codesigning", now - 400 * DAY, now - 370 * DAY)
        cls.issue("webserver", "webserver", now - DAY, now + 30 * DAY)
        cls.issue("tsa", "timestamping", now - DAY, now + 3650 * DAY)
        cls.issue("other", "codesigning", now - DAY, now + 30 * DAY)
        cls.server = http.server.HTTPServer(("127.0.0.1", 0), TimestampAuthority)
        TimestampAuthority.folder = d
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.tsa_url = f"http://127.0.0.1:{cls.server.server_address[1]}/"
        cls.misplacing = http.server.HTTPServer(("127.0.0.1", 0), MisplacedTimestamps)
        MisplacedTimestamps.folder = d
        threading.Thread(target=cls.misplacing.serve_forever, daemon=True).start()
        cls.misplacing_url = f"http://127.0.0.1:{cls.misplacing.server_address[1]}/"

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.misplacing.shutdown()
        shutil.rmtree(cls.dir, ignore_errors=True)

    @staticmethod
    def check(done):
        if done.returncode != 0:
            raise RuntimeError(done.stderr)

    @classmethod
    def issue(cls, name, extensions, not_before, not_after):
        d = cls.dir
        key, csr = os.path.join(d, name + ".key"), os.path.join(d, name + ".csr")
        cert = os.path.join(d, name + ".crt")
        cls.check(run("openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                      "-out", csr, "-subj", f"/CN=Throwaway {name}"))
        cls.check(run("openssl", "ca", "-batch", "-notext", "-config", os.path.join(d, "ca.cnf"),
                      "-extensions", extensions, "-keyfile", os.path.join(d, "ca.key"),
                      "-cert", cls.ca, "-in", csr, "-out", cert,
                      "-startdate", openssl_time(not_before), "-enddate", openssl_time(not_after)))
        cls.check(run("openssl", "pkcs12", "-export", "-inkey", key, "-in", cert,
                      "-out", os.path.join(d, name + ".pfx"),
                      "-passout", "file:" + os.path.join(d, "password")))

    def release(self, out, **settings):
        env = {k: v for k, v in os.environ.items() if not k.startswith("TARNWICK_SIGN")}
        env.update(settings)
        return run(os.path.join(ROOT, "scripts", "release.sh"), out, env=env)

    def signing(self, certificate="signer", **more):
        settings = {"TARNWICK_SIGN_PFX": os.path.join(self.dir, certificate + ".pfx"),
                    "TARNWICK_SIGN_PASSWORD_FILE": os.path.join(self.dir, "password"),
                    "TARNWICK_SIGN_CA_FILE": self.ca, "TARNWICK_SIGN_TSA_CA_FILE": self.ca}
        settings.update(more)
        return settings

    def verify(self, exe, at=None):
        command = ["osslsigncode", "verify", "-in", exe, "-CAfile", self.ca, "-TSA-CAfile", self.ca]
        if at:
            command += ["-time", str(int(at))]
        return run(*command)

    def bundle(self, out):
        folder = os.path.join(out, "tarnwick-6.0")
        self.assertEqual(sorted(BUNDLE), sorted(os.listdir(folder)))
        with open(os.path.join(folder, "SHA256SUMS")) as f:
            sums = dict(reversed(line.split()) for line in f if line.strip())
        self.assertEqual(set(BUNDLE) - {"SHA256SUMS"}, set(sums))
        for name, digest in sums.items():
            with open(os.path.join(folder, name), "rb") as f:
                self.assertEqual(hashlib.sha256(f.read()).hexdigest(), digest, name)
        return folder

    def test_unsigned_bundle_holds_the_tested_build_its_sums_and_notices_of_the_link(self):
        out = os.path.join(self.dir, "unsigned")
        done = self.release(out)
        self.assertEqual(0, done.returncode, done.stderr)
        self.assertIn("UNSIGNED", done.stdout)
        folder = self.bundle(out)
        with open(os.path.join(folder, "tarnwick.exe"), "rb") as a, open(SHIPPED, "rb") as b:
            self.assertTrue(a.read() == b.read(), "not byte for byte the build the tests ran")
        self.assertNotEqual(0, self.verify(os.path.join(folder, "tarnwick.exe")).returncode)

        # Every file the link took in from outside the program's sources, and nothing else,
        # is named in the notices, with a notice text for each component.
        with open(os.path.join(ROOT, "build", "release-i686", "tarnwick.map"),
                  errors="replace") as f:
            link_map = f.read()
        included = link_map.split("Archive member included", 1)[1].split("\nDiscarded", 1)[0]
        linked = {(os.path.basename(a), m) for a, m in re.findall(r"^(/\S+\.a)\(([^)]+)\)",
                                                                   included, re.M)}
        linked |= {(os.path.basename(o), None) for o in re.findall(r"^LOAD (/\S+\.o)$",
                                                                   link_map, re.M)}
        with open(os.path.join(folder, "THIRD-PARTY-NOTICES.txt")) as f:
            notices = f.read()
        listed = set()
        for entry in re.findall(r"^  (\S+\.[ao])(?::((?:.|\n      )*))?$", notices, re.M):
            library, members = entry
            names = [m.strip() for m in members.replace("\n", " ").split(",") if m.strip()]
            listed |= {(library, m) for m in names} if names else {(library, None)}
        self.assertTrue(linked, "the map lists nothing")
        self.assertEqual(linked, listed)
        self.assertIn("GCC RUNTIME LIBRARY EXCEPTION", notices)
        self.assertIn("Redistributions in binary form must reproduce", notices)  # ZPL, mingw-w64

        # The SBOM: valid against the official CycloneDX 1.6 schema, by the CycloneDX project's
        # own validator; its product is the executable as shipped; its runtimes are exactly
        # what the map shows, each file with its hash; the Windows libraries end the graph.
        sbom_path = os.path.join(folder, SBOM)
        validated = run("node", os.path.join(ROOT, "tests", "release", "validate-sbom.js"),
                        sbom_path)
        print(validated.stdout)
        self.assertEqual(0, validated.returncode, validated.stdout + validated.stderr)
        with open(sbom_path) as f:
            sbom = json.load(f)
        with open(os.path.join(folder, "tarnwick.exe"), "rb") as f:
            exe = f.read()
        product = sbom["metadata"]["component"]
        self.assertEqual(("tarnwick", "6.0", "Quenvale, Inc."),
                         (product["name"], product["version"], product["supplier"]["name"]))
        self.assertEqual({"SHA-256": hashlib.sha256(exe).hexdigest(),
                          "SHA-512": hashlib.sha512(exe).hexdigest()},
                         {h["alg"]: h["content"] for h in product["hashes"]})
        self.assertNotIn("id", json.dumps(product["licenses"]), "an open licence is claimed")
        covered = set()
        for runtime in (c for c in sbom["components"] if "components" in c):
            self.assertTrue(runtime["licenses"][0]["expression"])
            for part in runtime["components"]:
                props = [(p["name"], p["value"]) for p in part["properties"]]
                path = dict(props)["bsi:component:filename"]
                members = [v for n, v in props if n == "tarnwick:linked-member"] or [None]
                covered |= {(os.path.basename(path), m) for m in members}
                self.assertTrue(part["purl"].startswith("pkg:deb/debian/"), part["purl"])
                with open(path, "rb") as f:
                    self.assertEqual(hashlib.sha512(f.read()).hexdigest(),
                                     part["hashes"][0]["content"], path)
        self.assertEqual(linked, covered)
        windows = {c["name"]: c["scope"] for c in sbom["components"]
                   if c["bom-ref"].startswith("windows:")}
        imported = {entry.dll.decode().lower()
                    for entry in pefile.PE(data=exe).DIRECTORY_ENTRY_IMPORT}
        self.assertEqual(imported, {n for n, scope in windows.items() if scope == "required"})
        self.assertLessEqual({"shell32.dll", "oleacc.dll", "oleaut32.dll"},
                             {n for n, scope in windows.items() if scope == "optional"})
        graph = {d["ref"]: d["dependsOn"] for d in sbom["dependencies"]}
        self.assertEqual({"windows:" + n for n in windows} | {"gcc", "mingw-w64"},
                         set(graph["tarnwick"]))
        self.assertTrue(all(graph["windows:" + n] == [] for n in windows), "the graph goes on")

    def test_timestamped_signature_outlives_the_certificate_a_plain_one_does_not(self):
        out = os.path.join(self.dir, "signed")
        done = self.release(out, **self.signing(TARNWICK_SIGN_TIMESTAMP_URL=self.tsa_url))
        self.assertEqual(0, done.returncode, done.stderr)
        self.assertIn("timestamped by " + self.tsa_url, done.stdout)
        exe = os.path.join(self.bundle(out), "tarnwick.exe")
        print(self.verify(exe).stdout)
        after_expiry = time.time() + 60 * DAY
        checked = self.verify(exe, after_expiry)
        self.assertEqual(0, checked.returncode, checked.stdout + checked.stderr)
        self.assertIn("Timestamp Server Signature verification: ok", checked.stdout)

        # The same file with a test signature, which has no timestamp: valid today only.
        test_out = os.path.join(self.dir, "test-signed")
        done = self.release(test_out, **self.signing(TARNWICK_SIGN_TEST="1"))
        self.assertEqual(0, done.returncode, done.stderr)
        self.assertIn("TEST SIGNATURE", done.stdout)
        plain = os.path.join(self.bundle(test_out), "tarnwick.exe")
        self.assertEqual(0, self.verify(plain).returncode)
        self.assertNotEqual(0, self.verify(plain, after_expiry).returncode)

        # Any changed byte breaks the signature: one in the code, one near the image's end.
        with open(exe, "rb") as f:
            signed = bytearray(f.read())
        for offset in (4096 + 16, len(signed) - 8192):
            tampered = bytearray(signed)
            tampered[offset] ^= 1
            path = os.path.join(self.dir, "tampered.exe")
            with open(path, "wb") as f:
                f.write(tampered)
            self.assertNotEqual(0, self.verify(path).returncode, offset)

        # The signed program runs and shows every label exactly.
        beside = os.path.join(os.path.dirname(NOTICE_TESTS), "tarnwick-signed.exe")
        if os.path.realpath(UNDER_TEST) == os.path.realpath(SHIPPED):
            shutil.copyfile(exe, beside)
        else:
            print("32-bit programs cannot run here: the x86-64 build is signed the same way")
            self.check(run("osslsigncode", "sign", "-pkcs12", os.path.join(self.dir, "signer.pfx"),
                           "-readpass", os.path.join(self.dir, "password"), "-h", "sha256",
                           "-ts", self.tsa_url, "-in", UNDER_TEST, "-out", beside))
        shown = run(os.environ.get("WINELOADER", "wine"), NOTICE_TESTS,
                    "--gtest_filter=NoticeWindow.LabelsShow*",
                    env=dict(os.environ, TARNWICK_UNDER_TEST="tarnwick-signed.exe"))
        self.assertEqual(0, shown.returncode, shown.stdout[-2000:])

    def release_from_fresh_clone(self, name, **settings):
        """A release of this repository's HEAD, made from a fresh clone of it."""
        source = os.path.join(self.dir, "clone-" + name)
        self.check(run("git", "clone", "--quiet", ROOT, source))
        env = {k: v for k, v in os.environ.items() if not k.startswith("TARNWICK_SIGN")}
        env.update(settings)
        out = os.path.join(self.dir, "fresh-" + name)
        done = run(os.path.join(source, "scripts", "release.sh"), out, env=env)
        self.assertEqual(0, done.returncode, done.stderr)
        return self.bundle(out)

    def verify_release(self, folder, *options, root=ROOT):
        env = dict(os.environ, TARNWICK_SIGN_CA_FILE=self.ca, TARNWICK_SIGN_TSA_CA_FILE=self.ca)
        done = run(os.path.join(root, "scripts", "verify-release.sh"), *options, folder, env=env,
                   timeout=600)
        print(f"$ verify-release.sh {' '.join(options)} "
              f"{ascii(os.path.basename(os.path.dirname(folder)))}\n"
              f"{done.stdout}{done.stderr}")
        return done

    def test_a_timestamped_bundle_is_reproduced_and_a_changed_byte_is_found(self):
        head = run("git", "-C", ROOT, "rev-parse", "HEAD").stdout.strip()
        signed = self.release_from_fresh_clone(
            "signed", **self.signing(TARNWICK_SIGN_TIMESTAMP_URL=self.tsa_url))
        # The one check that the build is reproducible: the commit is built again in a clean
        # clone elsewhere, and every file must be the same, the SBOM and the notices too, and
        # the executable once the shipped signature is attached to the rebuild.
        with open(os.path.join(signed, "BUILDINFO")) as f:
            self.assertIn(f"Commit: {head}\nSource-Tree: clean\n", f.read())
        done = self.verify_release(signed)
        self.assertEqual(0, done.returncode)
        with open(os.path.join(signed, "tarnwick.exe"), "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        self.assertIn(f"reproduced: tarnwick 6.0 from commit {head}", done.stdout)
        self.assertIn(f"tarnwick.exe sha256 {digest}", done.stdout)
        self.assertIn(f"signed by '/CN=Throwaway signer', certificate SHA-256 "
                      f"{self.fingerprint('signer')}", done.stdout)
        self.assertRegex(done.stdout, r"timestamped .* by '/CN=Throwaway tsa'")
        # A byte changed in the code of the signed executable, one in the SBOM.
        tampered = os.path.join(self.dir, "tampered", "tarnwick-6.0")
        shutil.copytree(signed, tampered)
        exe = os.path.join(tampered, "tarnwick.exe")
        text = next(s for s in pefile.PE(exe).sections if s.Name.startswith(b".text"))
        code_offset = text.PointerToRawData + 0x200
        flip(exe, code_offset)
        flip(os.path.join(tampered, SBOM), 100)
        done = self.verify_release(tampered)
        self.assertNotEqual(0, done.returncode)
        self.assertIn("NOT reproduced", done.stdout)
        self.assertIn("tarnwick.exe: differs from the rebuild", done.stdout)
        self.assertIn(f"bytes 0x{code_offset:x}-0x{code_offset:x} (1 bytes), in section .text",
                      done.stdout)
        self.assertIn(f"{SBOM}: differs from the rebuild", done.stdout)
        self.assertIn("bytes 0x64-0x64 (1 bytes)", done.stdout)
        self.assertIn("tarnwick.exe: its SHA-256 is not the one in SHA256SUMS", done.stdout)

    def fingerprint(self, certificate):
        done = run("openssl", "x509", "-in", os.path.join(self.dir, certificate + ".crt"),
                   "-noout", "-fingerprint", "-sha256")
        return done.stdout.strip().split("=", 1)[1].replace(":", "").lower()

    def test_bundles_from_anyone_run_nothing_of_theirs_and_are_refused_with_a_cause(self):
        """Hostile bundles, each one change away from a genuine signed one: none is reproduced,
        each gets its cause named, no traceback, nothing of the bundle's runs, and nothing
        outside the bundle is read."""
        genuine = self.release_from_fresh_clone(
            "genuine", **self.signing(TARNWICK_SIGN_TIMESTAMP_URL=self.tsa_url))
        clone = os.path.join(self.dir, "clone-genuine")  # the user's repository
        canary = os.path.join(self.dir, "canary")
        unsigned = os.path.join(clone, "build", "release-i686", "tarnwick.exe")

        def git(*arguments, **kwargs):
            done = run("git", "-C", clone, *arguments, **kwargs)
            self.check(done)
            return done.stdout.strip()

        # A commit that exists in the user's clone but in no history of it, whose release
        # command would leave a canary.
        blob = git("hash-object", "-w", "--stdin", input=f"#!/bin/sh\ntouch {canary}\n")
        index = dict(os.environ, GIT_INDEX_FILE=os.path.join(self.dir, "evil-index"))
        self.check(run("git", "-C", clone, "read-tree", "HEAD", env=index))
        self.check(run("git", "-C", clone, "update-index", "--add", "--cacheinfo",
                       f"100755,{blob},scripts/release.sh", env=index))
        tree = run("git", "-C", clone, "write-tree", env=index).stdout.strip()
        evil = git("commit-tree", tree, "-p", "HEAD", "-m", "a release")
        older = git("rev-parse", "HEAD~1")

        def record(folder, **fields):
            path = os.path.join(folder, "BUILDINFO")
            with open(path) as f:
                text = f.read()
            for field, value in fields.items():
                key = field.replace("_", "-")
                text = re.sub(rf"^{key}: .*$", lambda m: f"{key}: {value}", text, flags=re.M)
            with open(path, "w") as f:
                f.write(text)

        def time_of(commit):
            return git("log", "-1", "--format=%ct", commit)

        def sign(folder, certificate, stamped, authority=None):
            exe = os.path.join(folder, "tarnwick.exe")
            os.remove(exe)
            command = ["osslsigncode", "sign", "-pkcs12",
                       os.path.join(self.dir, certificate + ".pfx"), "-readpass",
                       os.path.join(self.dir, "password"), "-h", "sha256", "-n", "tarnwick",
                       "-in", unsigned, "-out", exe]
            command += (["-ts", authority or self.tsa_url] if stamped else
                        ["-time", time_of("HEAD")])
            self.check(run(*command))

        def append(name, text):
            def change(folder):
                with open(os.path.join(folder, name), "a") as f:
                    f.write(text)
            return change

        def substitute(name, pattern, replacement):
            def change(folder):
                path = os.path.join(folder, name)
                with open(path) as f:
                    text = re.sub(pattern, replacement, f.read(), flags=re.M)
                with open(path, "w") as f:
                    f.write(text)
            return change

        def rewrite(name, content):
            def change(folder):
                with open(os.path.join(folder, name), "w") as f:
                    f.write(content)
            return change

        def drop_toolchain(folder):
            path = os.path.join(folder, "BUILDINFO")
            with open(path) as f:
                text = re.sub(r"^ .*\n", "", f.read(), flags=re.M)
            with open(path, "w") as f:
                f.write(text)

        secret = os.path.join(self.dir, "secret")
        with open(secret, "w") as f:
            f.write("not for the verifier\n" * 3)
        cases = [
            ("an unreachable commit that would run its own code",
             lambda d: record(d, Commit=evil, Source_Date_Epoch=time_of(evil)), (),
             "is not in the history you trust"),
            ("an older commit",
             lambda d: record(d, Commit=older, Source_Date_Epoch=time_of(older)), (),
             "an older release"),
            ("a control character in a file name",
             rewrite("x\x1b[2J\rreproduced: tarnwick 9.9", "x"), (), "files a release has not"),
            ("control characters in the record",
             lambda d: record(d, Commit="\x1b[32mreproduced\r"), (), "names no commit"),
            ("a symbolic link", lambda d: (os.remove(os.path.join(d, "tarnwick.exe")),
                                           os.symlink(unsigned, os.path.join(d, "tarnwick.exe"))),
             (), "tarnwick.exe: a symbolic link"),
            ("a named pipe", lambda d: (os.remove(os.path.join(d, "BUILDINFO")),
                                        os.mkfifo(os.path.join(d, "BUILDINFO"))),
             (), "BUILDINFO: a named pipe"),
            ("a path in the sums", append("SHA256SUMS", "0" * 64 + "  ../../../secret\n"
                                          + "0" * 64 + "  " + secret + "\n"),
             (), "is not a file of the bundle"),
            ("a line of one field in the sums", append("SHA256SUMS", "0123\n"), (),
             "not a SHA-256 and a file name"),
            ("a test signature", lambda d: sign(d, "signer", stamped=False), (),
             "has no timestamp"),
            # osslsigncode itself takes such a token, and its verify exits 0 with it.
            ("a timestamp made for another file",
             lambda d: sign(d, "signer", stamped=True, authority=self.misplacing_url), (),
             "the signature's timestamp does not verify"),
            ("another signer", lambda d: sign(d, "other", stamped=True),
             ("--signer", self.fingerprint("signer")), "not by the certificate you named"),
            ("a date out of range", lambda d: record(d, Source_Date_Epoch="4102444800"), (),
             "is not the time of commit"),
            ("a shell expression as the date",
             lambda d: record(d, Source_Date_Epoch="$(touch " + canary + ")"), (),
             "Source-Date-Epoch is not a time"),
            ("an option as a package", append("BUILDINFO", " --admindir=/tmp (= 1)\n"), (),
             "not a package and version"),
            ("no toolchain", drop_toolchain, (), "does not list the toolchain"),
            ("another toolchain",
             substitute("BUILDINFO", r"^ ninja-build \(= .*\)$", " ninja-build (= 0.1-older)"),
             (), "the installed toolchain differs from the one that made the bundle"),
            ("a deeply nested SBOM", rewrite(SBOM, "[" * 200000 + "]" * 200000), (),
             "not an SBOM whose product has hashes"),
        ]
        for name, change, options, cause in cases:
            with self.subTest(name):
                folder = os.path.join(self.dir, "hostile", name.replace(" ", "-"), "tarnwick-6.0")
                shutil.copytree(genuine, folder)
                change(folder)
                if "sums" not in name and os.path.isfile(os.path.join(folder, "BUILDINFO")) and \
                        not os.path.islink(os.path.join(folder, "tarnwick.exe")):
                    # The sums agree with the change: only the change itself is judged.
                    files = [n for n in BUNDLE if n != "SHA256SUMS"]
                    self.check(run("sh", "-c", "sha256sum " + " ".join(files) + " >SHA256SUMS",
                                   cwd=folder))
                done = self.verify_release(folder, *options, root=clone)
                said = done.stdout + done.stderr
                self.assertEqual(1, done.returncode)
                self.assertIn(cause, done.stderr)
                self.assertNotIn("Traceback", said)
                self.assertNotIn("reproduced:", done.stdout)
                self.assertFalse(re.search(r"[\x00-\x08\x0b-\x1f\x7f]", said),
                                 "a control character from the bundle reached the terminal")
                self.assertNotIn("not for the verifier", said)
                self.assertFalse(os.path.exists(canary), "the bundle's code ran")
                print(f"{name}: {said.strip().splitlines()[-1]}")

    def test_on_a_full_disk_the_bundle_already_there_stays_as_it_was(self):
        """The release fails with its cause, and the old bundle is left alone, with nothing
        beside it."""
        if run("unshare", "-U", "-r", "-m", "true").returncode != 0:
            self.skipTest("this machine allows no user namespace, which the small disk needs")
        # A folder on a 256 KiB file system, smaller than the executable, in a namespace of its
        # own; a bundle made before is there.
        out = os.path.join(self.dir, "small-disk")
        os.makedirs(out)
        script = (f'mount -t tmpfs -o size=256k tmpfs "{out}" && mkdir "{out}/tarnwick-6.0" && '
                  f'echo before >"{out}/tarnwick-6.0/BUILDINFO" && '
                  f'"{ROOT}/scripts/release.sh" "{out}"; echo "release exit $?"; '
                  f'ls -A "{out}"; cat "{out}/tarnwick-6.0/BUILDINFO"')
        env = {k: v for k, v in os.environ.items() if not k.startswith("TARNWICK_SIGN")}
        done = run("unshare", "-U", "-r", "-m", "--propagation", "private", "sh", "-c", script,
                   env=env, timeout=600)
        print(done.stdout[-600:], done.stderr[-600:])
        self.assertIn("release exit 1", done.stdout)
        self.assertRegex(done.stderr, r"No space left|not written whole")
        self.assertTrue(done.stdout.rstrip().endswith("tarnwick-6.0\nbefore"),
                        "the old bundle is not as it was, or something is beside it")

    def test_an_authority_that_never_answers_stops_the_release_with_its_name(self):
        silent = socket.socket()
        silent.bind(("127.0.0.1", 0))
        silent.listen(5)
        url = f"http://127.0.0.1:{silent.getsockname()[1]}/"
        out = os.path.join(self.dir, "silent")
        started = time.time()
        done = self.release(out, **self.signing(TARNWICK_SIGN_TIMESTAMP_URL=url,
                                                TARNWICK_SIGN_TIMESTAMP_TIMEOUT="5"))
        silent.close()
        print(f"silent authority: {done.stderr.strip().splitlines()[-1]}")
        self.assertNotEqual(0, done.returncode)
        self.assertIn(f"the timestamp authority at {url} did not answer within 5 s", done.stderr)
        self.assertLess(time.time() - started, 300)
        self.assertEqual([], os.listdir(out) if os.path.exists(out) else [])

    def test_bad_signing_inputs_give_a_clear_error_and_no_bundle(self):
        garbage = os.path.join(self.dir, "garbage.pfx")
        with open(garbage, "wb") as f:
            f.write(b"not a certificate\n" * 20)
        wrong = os.path.join(self.dir, "wrong-password")
        with open(wrong, "w") as f:
            f.write("not the password")
        tsa = {"TARNWICK_SIGN_TIMESTAMP_URL": self.tsa_url}
        cases = [
            ("missing certificate", self.signing(
                **tsa, TARNWICK_SIGN_PFX=os.path.join(self.dir, "nowhere.pfx")), "does not exist"),
            ("unreadable certificate", self.signing(**tsa, TARNWICK_SIGN_PFX=garbage),
             "is not a PKCS#12 file"),
            ("wrong password", self.signing(**tsa, TARNWICK_SIGN_PASSWORD_FILE=wrong),
             "the password does not open"),
            ("no password", {k: v for k, v in self.signing(**tsa).items()
                             if k != "TARNWICK_SIGN_PASSWORD_FILE"}, "no password"),
            ("web server certificate", self.signing("webserver", **tsa), "not for code signing"),
            ("expired certificate", self.signing("expired", **tsa), "expired on"),
            ("no timestamp authority", self.signing(), "no timestamp authority"),
            # A port that was free a moment ago: nothing answers there.
            ("timestamp authority unreachable",
             self.signing(TARNWICK_SIGN_TIMESTAMP_URL=f"http://127.0.0.1:{free_port()}/"),
             "gave no timestamp"),
        ]
        for name, settings, message in cases:
            with self.subTest(name):
                out = os.path.join(self.dir, "bad")
                done = self.release(out, **settings)
                self.assertNotEqual(0, done.returncode)
                self.assertIn(message, done.stderr)
                self.assertFalse(os.path.exists(os.path.join(out, "tarnwick-6.0")),
                                 "a bundle was written")
                print(f"{name}: {done.stderr.strip().splitlines()[-1]}")


def flip(path, offset):
    with open(path, "r+b") as f:
        f.seek(offset)
        byte = f.read(1)[0]
        f.seek(offset)
        f.write(bytes([byte ^ 1]))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


if __name__ == "__main__":
    SHIPPED, UNDER_TEST, NOTICE_TESTS = sys.argv.pop(1), sys.argv.pop(1), sys.argv.pop(1)
    unittest.main(verbosity=2)
