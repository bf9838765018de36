#!/usr/bin/env bash
# Builds tarnwick.exe and starts it under Wine, in a prefix of its own that is kept between
# runs. Without a DISPLAY it shows the notice on a virtual screen for 10 seconds and saves a
# screenshot of it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/build.sh
source scripts/wine-prefix.sh
[ -n "${TARNWICK_IN_NAMESPACE:-}" ] || ./scripts/setup.sh
enter_wine_route "$ROOT/scripts/${0##*/}" "$@"
build_product i686
[ "$TARNWICK_ARCH" = i686 ] || build_product "$TARNWICK_ARCH"
exe="$ROOT/build/$TARNWICK_ARCH/tarnwick.exe"

home="${XDG_DATA_HOME:-$HOME/.local/share}/tarnwick"
prefix="$home/wine-$TARNWICK_ROUTE"
[ -d "$prefix/drive_c" ] || make_prefix "$prefix"
export WINEPREFIX="$prefix"

if [ -n "${DISPLAY:-}" ]; then
    exec "$WINELOADER" "$exe"
fi

echo "No DISPLAY: the notice is shown on a virtual screen for 10 seconds, then closed."
session_dir="$(mktemp -d)"
trap 'wineserver -k 2>/dev/null || true; stop_screens; rm -rf "$session_dir"' EXIT
start_screen -screen 0 1280x800x24
"$WINELOADER" "$exe" &
for _ in $(seq 300); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Introducing Tolvan"' && break
    sleep 0.1
done
sleep 1 # the first paint
shot="$home/notice-screenshot.png"
import -window root "$shot"
echo "Screenshot of the screen with the notice: $shot"
sleep 9
