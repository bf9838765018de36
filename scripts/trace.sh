#!/usr/bin/env bash
# Where the start-up's time and memory go: builds tarnwick.exe with its start-up trace, starts
# it against the floor as the benchmark does, and prints the median time (ms since the process
# was created) and working set at each mark.
#   scripts/trace.sh [PAIRS] [EXE]   (default 31; EXE: a trace build of a variant of your own)
set -euo pipefail
cd "$(dirname "$0")/.."
pairs="${1:-31}"
./scripts/setup.sh
source scripts/build.sh
source scripts/wine-prefix.sh
enter_timing_route "$ROOT/scripts/${0##*/}" "$@"
build_product "$TARNWICK_ARCH" >/dev/null
cmake -S "$ROOT" -B "$ROOT/build/trace-$TARNWICK_ARCH" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=OFF -DTARNWICK_TRACE=ON \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$TARNWICK_ARCH-w64-mingw32.cmake" >/dev/null
cmake --build "$ROOT/build/trace-$TARNWICK_ARCH" --target tarnwick >/dev/null
exe="${2:-$ROOT/build/trace-$TARNWICK_ARCH/tarnwick.exe}"
bin="$ROOT/build/$TARNWICK_ARCH"

trap end_session EXIT
start_session "$(mktemp -d)"
"$WINELOADER" "$bin/bench_launcher.exe" "$exe" "$bin/floor.exe" "$pairs"
trace="$(find "$WINEPREFIX/drive_c" -name tarnwick-trace.txt | head -n 1)"
echo
echo "Start-up marks, medians of $(wc -l <"$trace") runs:"
python3 - "$trace" <<'PY'
import statistics, sys
runs = [dict(f.split("=") for f in line.split()) for line in open(sys.argv[1]) if line.strip()]
print(f"  {'mark':<12} {'ms since the process was created':>34}   {'working set, MiB':>20}")
previous_ms = previous_mib = 0.0
for name in runs[0]:
    ms = statistics.median(float(r[name].split("/")[0]) for r in runs if name in r)
    mib = statistics.median(float(r[name].split("/")[1]) for r in runs if name in r)
    print(f"  {name:<12} {ms:22.2f} (+{ms - previous_ms:5.2f})   {mib:10.2f} (+{mib - previous_mib:5.2f})")
    previous_ms, previous_mib = ms, mib
PY
