#!/usr/bin/env bash
# The signing command with a throwaway certificate: the signed file verifies, signing twice
# gives the same bytes, any changed byte or a missing signature fails verification, and the
# signed program still starts and shows its window.
#   signing.sh SHIPPED_EXE EXE_UNDER_TEST NOTICE_TESTS_EXE
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
shipped="$1" under_test="$2" notice_tests="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
    -subj "/CN=Throwaway tarnwick test signer" -addext extendedKeyUsage=codeSigning \
    -addext keyUsage=digitalSignature 2>/dev/null
printf 'throwaway password' >password
openssl pkcs12 -export -inkey key.pem -in cert.pem -out signer.pfx -passout file:password
export TARNWICK_SIGN_PFX="$work/signer.pfx" SOURCE_DATE_EPOCH="$(date +%s)"

verify() { osslsigncode verify -in "$1" -CAfile cert.pem >verify.log 2>&1; }
fail() { echo "FAILED: $*"; exit 1; }

TARNWICK_SIGN_PASSWORD_FILE="$work/password" "$root/scripts/sign.sh" "$shipped" signed.exe
TARNWICK_SIGN_PASSWORD="throwaway password" "$root/scripts/sign.sh" "$shipped" again.exe
verify signed.exe || { cat verify.log; fail "the signed executable does not verify"; }
grep -q "Message digest algorithm *: SHA256" verify.log || fail "the signature is not SHA-256"
cmp signed.exe again.exe || fail "signing twice gave different files"
! verify "$shipped" || fail "the unsigned executable verifies"

# One byte changed in the code, then one near the end of the image.
for offset in 1024 $(( $(stat -c %s "$shipped") - 4096 )); do
    cp signed.exe tampered.exe
    byte=$(od -An -tu1 -j "$offset" -N1 tampered.exe | tr -d ' ')
    printf "$(printf '\\%03o' $(( byte ^ 1 )))" |
        dd of=tampered.exe bs=1 seek="$offset" conv=notrunc 2>/dev/null
    cmp -s signed.exe tampered.exe && fail "the byte at $offset did not change"
    ! verify tampered.exe || fail "a change at byte $offset still verifies"
done
echo "signature: SHA-256, verifies, reproducible, a one-byte change fails"

# The signed program runs: its window shows every label exactly.
TARNWICK_SIGN_PASSWORD_FILE="$work/password" "$root/scripts/sign.sh" "$under_test" "$(dirname "$notice_tests")/tarnwick-signed.exe"
TARNWICK_UNDER_TEST=tarnwick-signed.exe "$root/scripts/wine-run" "$notice_tests" \
    --gtest_filter='NoticeWindow.LabelsShow*'
