#!/usr/bin/env bash
# Builds everything and runs every test: the core's unit tests natively, then the built
# program under Wine on a virtual screen of its own, in a fresh prefix that is removed after.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
source scripts/build.sh
source scripts/wine-prefix.sh

build_native
build_product i686
[ "$TARNWICK_ARCH" = i686 ] || {
    echo "This kernel cannot run 32-bit programs: the end-to-end tests run the x86-64 build."
    build_product "$TARNWICK_ARCH"
}
build_e2e "$TARNWICK_ARCH" "$ROOT/build/$TARNWICK_ARCH/tarnwick.exe"

work="$(mktemp -d)"
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

make_prefix "$work/prefix"
# Start the server and Wine's services outside ctest, with their output detached: services
# that first start inside ctest inherit its output pipe, and ctest never ends.
wineserver -p
"$WINELOADER" cmd /c exit </dev/null >/dev/null 2>&1

status=0
ctest --test-dir build/native --output-on-failure || status=1
ctest --test-dir "build/e2e-$TARNWICK_ARCH" --output-on-failure -LE dpi || status=1

# One pair of the start-up benchmark, so that it keeps working; its figures are not judged.
bin="build/$TARNWICK_ARCH"
echo "Benchmark, quick run:"
"$WINELOADER" "$bin/bench_launcher.exe" "$bin/tarnwick.exe" "$bin/floor.exe" 1 || status=1

# The same layout on a screen set to 144 dpi.
wineserver -k
wine_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144
wineserver -w
wineserver -p
"$WINELOADER" cmd /c exit </dev/null >/dev/null 2>&1
ctest --test-dir "build/e2e-$TARNWICK_ARCH" --output-on-failure -L dpi || status=1
exit $status
