#!/usr/bin/env bash
# Makes a release of the commit checked out:   scripts/release.sh [OUT]   (default: dist)
# It builds the 32-bit tarnwick.exe from scratch from a clean clone of that commit (nothing
# uncommitted or untracked gets in, and a tree with changes is refused; reproducibly: the same
# commit gives the same bytes), checks the file that ships (PE identity, hardening, imports,
# resources), signs it if a certificate is given and verifies the signature, and writes
# OUT/tarnwick-VERSION/ with tarnwick.exe, THIRD-PARTY-NOTICES.txt, the software bill of
# materials tarnwick-VERSION.cdx.json (CycloneDX 1.6), the build record BUILDINFO (the commit
# and the toolchain) and SHA256SUMS. The bundle is written beside its place and takes it only
# once every file is written and checked: on any error, a bundle already there stays as it was
# and nothing else is left. scripts/verify-release.sh checks such a bundle against the
# repository.
#
# Signing (Authenticode, SHA-256), from the environment:
#   TARNWICK_SIGN_PFX             the maker's code-signing certificate and key (PKCS#12)
#   TARNWICK_SIGN_PASSWORD_FILE   a file holding its password (or TARNWICK_SIGN_PASSWORD)
#   TARNWICK_SIGN_TIMESTAMP_URL   an RFC 3161 timestamp authority; the timestamp keeps the
#                                 signature valid after the certificate expires
#   TARNWICK_SIGN_TIMESTAMP_TIMEOUT  seconds to wait for it (default 60)
#   TARNWICK_SIGN_TEST=1          allows a signature without a timestamp, for tests only
#   TARNWICK_SIGN_CA_FILE         certificates to verify the signature against
#   TARNWICK_SIGN_TSA_CA_FILE     the same for the timestamp (both default to the system's)
#   TARNWICK_ATTACH_SIGNATURE     a signature taken from a shipped tarnwick.exe, attached instead
#                                 of signing (verify-release.sh reproduces a signed bundle so)
# Keep the certificate, its key and the password out of the repository.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-$root/dist}")"
fail() {
    echo "release: $*" >&2
    exit 1
}

commit="$(git -C "$root" rev-parse HEAD)"
[ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] ||
    fail "the checkout has uncommitted changes to tracked files: a release is made of a commit" \
         "(commit or stash them)"
# The time a release states (the SBOM's, a test signature's): the commit's, so that the same
# commit gives the same bytes.
source_date="${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}"
stage="" work="$(mktemp -d)"
trap 'rm -rf "$work" ${stage:+"$stage"}' EXIT
"$root/scripts/setup.sh"
# The commit's own files, and nothing else, are built and packed.
git clone --quiet --no-checkout --shared -- "$root" "$work/source"
git -C "$work/source" checkout --quiet "$commit"
source="$work/source"
version="$(sed -n 's/^project(tarnwick VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")"
name="tarnwick-$version"
# The packages whose versions decide the executable's bytes, recorded in BUILDINFO.
mapfile -t toolchain_packages < <(grep -v '^#' "$source/scripts/toolchain-packages")
timestamp_timeout="${TARNWICK_SIGN_TIMESTAMP_TIMEOUT:-60}"

# The signing inputs are checked before anything is built.
pfx="${TARNWICK_SIGN_PFX:-}" timestamp_url="${TARNWICK_SIGN_TIMESTAMP_URL:-}"
attach="${TARNWICK_ATTACH_SIGNATURE:-}"
system_cas=/etc/ssl/certs/ca-certificates.crt
if [ -n "$attach" ]; then
    [ -z "$pfx" ] || fail "TARNWICK_ATTACH_SIGNATURE and TARNWICK_SIGN_PFX exclude each other"
    [ -r "$attach" ] || fail "the signature file '$attach' cannot be read"
elif [ -n "$pfx" ]; then
    [ -f "$pfx" ] || fail "the certificate file '$pfx' (TARNWICK_SIGN_PFX) does not exist"
    [ -r "$pfx" ] || fail "the certificate file '$pfx' cannot be read"
    password="$work/password"
    if [ -n "${TARNWICK_SIGN_PASSWORD_FILE:-}" ]; then
        [ -r "$TARNWICK_SIGN_PASSWORD_FILE" ] ||
            fail "the password file '$TARNWICK_SIGN_PASSWORD_FILE' cannot be read"
        cp "$TARNWICK_SIGN_PASSWORD_FILE" "$password"
    elif [ -n "${TARNWICK_SIGN_PASSWORD+set}" ]; then
        printf '%s' "$TARNWICK_SIGN_PASSWORD" >"$password"
    else
        fail "no password for '$pfx': set TARNWICK_SIGN_PASSWORD_FILE or TARNWICK_SIGN_PASSWORD"
    fi
    # Certificates exported by Windows often use ciphers that OpenSSL 3 calls legacy.
    if ! openssl pkcs12 -in "$pfx" -passin "file:$password" -clcerts -nokeys -out "$work/cert.pem" 2>"$work/pkcs12.log" &&
        ! openssl pkcs12 -legacy -in "$pfx" -passin "file:$password" -clcerts -nokeys -out "$work/cert.pem" 2>>"$work/pkcs12.log"; then
        grep -qi 'invalid password\|mac verify' "$work/pkcs12.log" &&
            fail "the password does not open '$pfx'"
        fail "'$pfx' is not a PKCS#12 file with a certificate"
    fi
    openssl x509 -in "$work/cert.pem" -noout -ext extendedKeyUsage 2>/dev/null | grep -q 'Code Signing' ||
        fail "the certificate in '$pfx' is not for code signing: its extended key usage lacks Code Signing"
    subject="$(openssl x509 -in "$work/cert.pem" -noout -subject | sed 's/^subject=//')"
    not_after="$(openssl x509 -in "$work/cert.pem" -noout -enddate | cut -d= -f2)"
    not_before="$(openssl x509 -in "$work/cert.pem" -noout -startdate | cut -d= -f2)"
    openssl x509 -in "$work/cert.pem" -noout -checkend 0 >/dev/null ||
        fail "the certificate '$subject' expired on $not_after"
    [ "$(date -d "$not_before" +%s)" -le "$(date +%s)" ] ||
        fail "the certificate '$subject' is not valid before $not_before"
    if [ -z "$timestamp_url" ] && [ "${TARNWICK_SIGN_TEST:-}" != 1 ]; then
        fail "no timestamp authority: set TARNWICK_SIGN_TIMESTAMP_URL. Without a timestamp the" \
             "signature turns invalid when the certificate expires ($not_after); for a test" \
             "signature set TARNWICK_SIGN_TEST=1"
    fi
fi

# A build from scratch, in a folder of its own.
build="$root/build/release-i686"
rm -rf "$build"
{ cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
      -DCMAKE_TOOLCHAIN_FILE="$source/cmake/i686-w64-mingw32.cmake" &&
  cmake --build "$build" --target tarnwick; } >"$work/build.log" 2>&1 ||
    { cat "$work/build.log" >&2; fail "the build failed"; }
/usr/bin/python3 "$source/tests/e2e/test_executable.py" "$build/tarnwick.exe" >"$work/checks.log" 2>&1 ||
    { cat "$work/checks.log" >&2; fail "the executable fails the checks of the shipped file"; }

# Written beside its place, so that the finished bundle takes it in one rename.
mkdir -p "$out"
stage="$(mktemp -d "$out/.$name.XXXXXX")"
exe="$stage/tarnwick.exe"
verify=(osslsigncode verify -in "$exe" -CAfile "${TARNWICK_SIGN_CA_FILE:-$system_cas}")
if [ -n "$attach" ]; then
    # Attaching verifies the signature on the executable it is attached to.
    osslsigncode attach-signature -sigin "$attach" -CAfile "${TARNWICK_SIGN_CA_FILE:-$system_cas}" \
        -TSA-CAfile "${TARNWICK_SIGN_TSA_CA_FILE:-$system_cas}" -in "$build/tarnwick.exe" -out "$exe" \
        >"$work/sign.log" 2>&1 ||
        { cat "$work/sign.log" >&2; fail "with the signature attached, the executable does not verify"; }
    signed="signature attached from '$attach'"
elif [ -n "$pfx" ]; then
    sign=(osslsigncode sign -pkcs12 "$pfx" -readpass "$password" -h sha256 -n tarnwick
          -in "$build/tarnwick.exe" -out "$exe")
    if [ -n "$timestamp_url" ]; then
        sign+=(-ts "$timestamp_url")
        verify+=(-TSA-CAfile "${TARNWICK_SIGN_TSA_CA_FILE:-$system_cas}")
    else
        # A test signature: at a fixed time (the last commit's), so that it is reproducible.
        sign+=(-time "$source_date")
    fi
    # An authority that never answers must not hold the release for ever.
    timeout "$timestamp_timeout" "${sign[@]}" >"$work/sign.log" 2>&1 || signed_status=$?
    if [ "${signed_status:-0}" -eq 124 ]; then
        fail "signing failed: the timestamp authority at $timestamp_url did not answer within" \
             "$timestamp_timeout s"
    elif [ "${signed_status:-0}" -ne 0 ]; then
        cat "$work/sign.log" >&2
        # Name the cause osslsigncode reports: the key store or its password, or the authority.
        grep -q "Failed to parse PKCS#12\|Failed to read key or certificates" "$work/sign.log" &&
            fail "signing failed: osslsigncode could not read the key and certificate from" \
                "'$pfx' (a wrong password, or not a PKCS#12 file)"
        [ -n "$timestamp_url" ] && grep -qi "timestamp\|HTTP failure\|curl" "$work/sign.log" &&
            fail "signing failed: the timestamp authority at $timestamp_url gave no timestamp"
        fail "signing failed: osslsigncode says: $(grep -v '^[0-9A-F]*:error:' "$work/sign.log" |
            tail -n 1)"
    fi
    "${verify[@]}" >"$work/verify.log" 2>&1 ||
        { cat "$work/verify.log" >&2; fail "the signed executable does not verify"; }
    if [ -n "$timestamp_url" ]; then
        grep -q 'Timestamp Server Signature verification: ok' "$work/verify.log" ||
            { cat "$work/verify.log" >&2; fail "the signature's timestamp does not verify"; }
        signed="signed by '$subject', timestamped by $timestamp_url"
    else
        signed="TEST SIGNATURE by '$subject', without a timestamp: not for shipping"
    fi
else
    cp "$build/tarnwick.exe" "$exe"
    signed="UNSIGNED: no certificate was given (TARNWICK_SIGN_PFX); Windows will warn users of an unknown publisher"
fi

/usr/bin/python3 "$source/scripts/notices.py" "$build/tarnwick.map" "$version" \
    >"$stage/THIRD-PARTY-NOTICES.txt"
SOURCE_DATE_EPOCH="$source_date" /usr/bin/python3 "$source/scripts/sbom.py" "$exe" "$build/tarnwick.map" \
    "$source_date" >"$stage/$name.cdx.json"

# What made the executable: enough for anyone with the repository to build the same bytes.
{
    echo "Format: tarnwick-buildinfo 1"
    echo "Source: tarnwick $version"
    echo "Commit: $commit"
    echo "Source-Tree: clean"
    echo "Source-Date-Epoch: $source_date"
    echo "Build-Type: Release"
    echo "Toolchain-File: cmake/i686-w64-mingw32.cmake"
    echo "Build-Command: scripts/release.sh"
    echo "Build-Distribution: $(. /etc/os-release && echo "$ID-$VERSION_ID")"
    echo "Build-Architecture: $(dpkg --print-architecture)"
    echo "Installed-Build-Depends:"
    dpkg-query -W -f=' ${Package} (= ${Version})\n' "${toolchain_packages[@]}"
} >"$stage/BUILDINFO"
(cd "$stage" && sha256sum tarnwick.exe THIRD-PARTY-NOTICES.txt "$name.cdx.json" BUILDINFO >SHA256SUMS)
# Everything written is read back before the bundle takes its place: a full disk leaves short
# files without failing every write.
cmp -s "$build/tarnwick.exe" "$exe" || [ -n "$attach$pfx" ] ||
    fail "tarnwick.exe was not written whole (is the disk full?)"
(cd "$stage" && sha256sum --check --quiet --strict SHA256SUMS) >/dev/null 2>&1 &&
    [ "$(find "$stage" -type f -size +0 | wc -l)" -eq 5 ] ||
    fail "the bundle was not written whole (is the disk full?)"
sync -f "$stage/SHA256SUMS" 2>/dev/null || true

if [ -e "$out/$name" ]; then
    mv "$out/$name" "$stage.old"
    mv "$stage" "$out/$name"
    rm -rf "$stage.old"
else
    mv "$stage" "$out/$name"
fi
stage=""
echo "release: $out/$name"
echo "  tarnwick.exe  $(stat -c %s "$out/$name/tarnwick.exe") bytes, $signed"
sed 's/^/  /' "$out/$name/SHA256SUMS"
