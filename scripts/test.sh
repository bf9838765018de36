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
ctest --test-dir "build/e2e-$TARNWICK_ARCH" --output-on-failure -LE "dpi|screen" || status=1

# One pair of the start-up benchmark, so that it keeps working; its figures are not judged.
bin="build/$TARNWICK_ARCH"
echo "Benchmark, quick run:"
"$WINELOADER" "$bin/bench_launcher.exe" "$bin/tarnwick.exe" "$bin/floor.exe" 1 || status=1

# The same layout at other dpi settings of the prefix.
for dpi in 120 144 192; do
    wine_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi"
    restart_wine
    TARNWICK_DPI=$dpi ctest --test-dir "build/e2e-$TARNWICK_ARCH" --output-on-failure -L dpi || status=1
done
wine_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96

# Placement on screens smaller than the window, and on two monitors.
for screen in 800x600 640x400 dual; do
    case $screen in
        dual) start_two_monitors ;;
        *) start_screen -screen 0 "${screen}x24" ;;
    esac
    restart_wine
    TARNWICK_SCREEN=$screen ctest --test-dir "build/e2e-$TARNWICK_ARCH" --output-on-failure -L screen || status=1
done
exit $status
