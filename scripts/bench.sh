#!/usr/bin/env bash
# Start-up benchmark: tarnwick.exe against the floor program, whole processes, interleaved,
# in one Wine prefix on a virtual screen.   scripts/bench.sh [PAIRS]   (default 31)
set -euo pipefail
cd "$(dirname "$0")/.."
pairs="${1:-31}"
./scripts/setup.sh
source scripts/build.sh
source scripts/wine-prefix.sh
enter_timing_route "$ROOT/scripts/${0##*/}" "$@"
# Where 32-bit programs cannot run natively, the x86-64 build is timed.
build_product i686 >/dev/null
[ "$TARNWICK_ARCH" = i686 ] || build_product "$TARNWICK_ARCH" >/dev/null
bin="$ROOT/build/$TARNWICK_ARCH"

echo "Executable sizes and imports (the shipped 32-bit build):"
for exe in tarnwick floor; do
    file="$ROOT/build/i686/$exe.exe"
    imports=$(i686-w64-mingw32-objdump -p "$file" | awk '/DLL Name:/ {print $3}' | tr '\n' ' ')
    printf '  %-9s %8d bytes   %s\n' "$exe.exe" "$(stat -c %s "$file")" "$imports"
done

trap end_session EXIT
start_session "$(mktemp -d)"

"$WINELOADER" "$bin/bench_launcher.exe" "$bin/tarnwick.exe" "$bin/floor.exe" "$pairs"
echo
echo "What the notice's content costs (icon, fonts and texts, COM, hidden window, centring),"
echo "written as plainly as the floor:"
"$WINELOADER" "$bin/bench_launcher.exe" "$bin/content.exe" "$bin/floor.exe" "$pairs" content
