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

trap end_session EXIT
start_session "$(mktemp -d)"

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
start_wineserver
ctest --test-dir "build/e2e-$TARNWICK_ARCH" --output-on-failure -L dpi || status=1
exit $status
