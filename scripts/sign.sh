#!/usr/bin/env bash
# Signs an executable with the maker's Authenticode certificate (SHA-256), reproducibly:
#   scripts/sign.sh build/i686/tarnwick.exe tarnwick-signed.exe
# The certificate and its key come from the PKCS#12 file named by TARNWICK_SIGN_PFX, and its
# password from the file named by TARNWICK_SIGN_PASSWORD_FILE or from TARNWICK_SIGN_PASSWORD.
# Keep both outside the repository. The signing time is fixed (SOURCE_DATE_EPOCH, else the
# time of the last commit), so the same executable and certificate give the same signed file.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 IN.exe OUT.exe" >&2; exit 2; }
root="$(cd "$(dirname "$0")/.." && pwd)"
in="$1" out="$2"
: "${TARNWICK_SIGN_PFX:?name the .pfx file of the signing certificate in TARNWICK_SIGN_PFX}"
command -v osslsigncode >/dev/null || "$root/scripts/setup.sh"

password_file="${TARNWICK_SIGN_PASSWORD_FILE:-}"
if [ -z "$password_file" ]; then
    : "${TARNWICK_SIGN_PASSWORD:?set TARNWICK_SIGN_PASSWORD_FILE or TARNWICK_SIGN_PASSWORD}"
    password_file="$(mktemp)"
    trap 'rm -f "$password_file"' EXIT
    printf '%s' "$TARNWICK_SIGN_PASSWORD" >"$password_file"
fi
signing_time="${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}"

rm -f "$out"
osslsigncode sign -pkcs12 "$TARNWICK_SIGN_PFX" -readpass "$password_file" -h sha256 \
    -n "tarnwick" -time "$signing_time" -in "$in" -out "$out" >/dev/null
echo "signed: $out"
