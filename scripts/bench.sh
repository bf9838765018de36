#!/usr/bin/env bash
# Start-up benchmark: tarnwick.exe against the floor program, whole processes, interleaved,
# in one Wine prefix on a virtual screen.   scripts/bench.sh [PAIRS]   (default 15)
set -euo pipefail
cd "$(dirname "$0")/.."
pairs="${1:-15}"
./scripts/setup.sh
source scripts/build.sh
source scripts/wine-prefix.sh
build_product i686 >/dev/null
[ "$TARNWICK_ARCH" = i686 ] || build_product "$TARNWICK_ARCH" >/dev/null
bin="$ROOT/build/$TARNWICK_ARCH"

echo "Executable sizes and imports (the shipped 32-bit build):"
for exe in tarnwick floor; do
    file="$ROOT/build/i686/$exe.exe"
    imports=$(i686-w64-mingw32-objdump -p "$file" | awk '/DLL Name:/ {print $3}' | tr '\n' ' ')
    printf '  %-9s %8d bytes   %s\n' "$exe.exe" "$(stat -c %s "$file")" "$imports"
done

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
wineserver -p
"$WINELOADER" cmd /c exit </dev/null >/dev/null 2>&1

[ "$TARNWICK_ARCH" = i686 ] || echo "Timing the x86-64 build: this kernel cannot run 32-bit programs."
"$WINELOADER" "$bin/bench_launcher.exe" "$bin/tarnwick.exe" "$bin/floor.exe" "$pairs"
