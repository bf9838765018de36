#!/usr/bin/env bash
# Checks a release bundle against this repository, without its maker:
#   scripts/verify-release.sh BUNDLE     (a tarnwick-VERSION folder made by release.sh)
# It reads which commit and toolchain made the bundle (BUILDINFO), builds that commit in a
# clean clone exactly as the release command does, and compares every file with the bundle's.
# A signed executable is compared after its signature is attached to the rebuild, which must
# then verify. It also checks SHA256SUMS and the SBOM's hashes. It prints "reproduced" with
# the commit and the executable's digest, or what differs and where, and exits non-zero.
# For a signature from a private CA, TARNWICK_SIGN_CA_FILE and TARNWICK_SIGN_TSA_CA_FILE name
# the certificates to verify it against.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
fail() {
    echo "verify-release: $*" >&2
    exit 1
}
[ $# -eq 1 ] || { echo "usage: $0 BUNDLE" >&2; exit 2; }
bundle="$(realpath -m "$1")"
[ -f "$bundle/tarnwick.exe" ] || fail "'$1' is not a release bundle: it has no tarnwick.exe"
record="$bundle/BUILDINFO"
[ -f "$record" ] ||
    fail "the bundle has no build record (BUILDINFO): which commit and toolchain made it is unknown"
field() { sed -n "s/^$1: //p" "$record"; }
commit="$(field Commit)" tree="$(field Source-Tree)" source_date="$(field Source-Date-Epoch)"
[[ "$commit" =~ ^[0-9a-f]{40}$ ]] || fail "the build record names no commit"
[ "$tree" = clean ] ||
    fail "the bundle was built from uncommitted changes to $commit: no commit reproduces it"
git -C "$root" cat-file -e "$commit^{commit}" 2>/dev/null ||
    fail "commit $commit is not in this repository ($root): fetch it, or use the repository it came from"

# The toolchain must be the one that made the bundle: another compiler makes other bytes.
differ=()
while read -r package version; do
    installed="$(dpkg-query -W -f='${Version}' "$package" 2>/dev/null || true)"
    [ "$installed" = "$version" ] ||
        differ+=("$(printf '  %-28s %-28s %s' "$package" "$version" "${installed:-(not installed)}")")
done < <(sed -n 's/^ \([^ ]*\) (= \(.*\))$/\1 \2/p' "$record")
if [ ${#differ[@]} -gt 0 ]; then
    {
        echo "verify-release: the installed toolchain differs from the one that made the bundle:"
        printf '  %-28s %-28s %s\n' package recorded installed
        printf '%s\n' "${differ[@]}"
    } >&2
    exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
echo "Building $commit in a clean clone, as the release command does..."
git clone --quiet --no-checkout "$root" "$work/source"
git -C "$work/source" checkout --quiet "$commit"
settings=(SOURCE_DATE_EPOCH="$source_date")
if osslsigncode extract-signature -in "$bundle/tarnwick.exe" -out "$work/signature.der" \
    >/dev/null 2>&1; then
    echo "The executable is signed: its signature is attached to the rebuild."
    settings+=(TARNWICK_ATTACH_SIGNATURE="$work/signature.der")
fi
env -u TARNWICK_SIGN_PFX -u TARNWICK_SIGN_TIMESTAMP_URL "${settings[@]}" \
    "$work/source/scripts/release.sh" "$work/rebuilt" >"$work/release.log" 2>&1 ||
    { cat "$work/release.log" >&2; fail "the rebuild of $commit failed"; }
rebuilt=("$work/rebuilt"/*)

/usr/bin/python3 "$root/scripts/compare_bundle.py" "$bundle" "${rebuilt[0]}" "$commit"
