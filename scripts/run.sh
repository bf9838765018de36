#!/usr/bin/env bash
# Builds tarnwick.exe and starts it under Wine, in a prefix of its own that is kept between
# runs.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
source scripts/build.sh
source scripts/wine-prefix.sh
build_product i686
[ "$TARNWICK_ARCH" = i686 ] || build_product "$TARNWICK_ARCH"
exe="$ROOT/build/$TARNWICK_ARCH/tarnwick.exe"

prefix="${XDG_DATA_HOME:-$HOME/.local/share}/tarnwick/wine-$TARNWICK_ARCH"
[ -d "$prefix/drive_c" ] || make_prefix "$prefix"
export WINEPREFIX="$prefix"

if [ -n "${DISPLAY:-}" ]; then
    "$WINELOADER" "$exe"
else
    echo "No DISPLAY: the notice is shown on a virtual screen for 10 seconds, then closed."
    xvfb-run -a -s "-screen 0 1280x800x24" bash -c '"$WINELOADER" "$1" & sleep 10; wineserver -k' _ "$exe"
fi
