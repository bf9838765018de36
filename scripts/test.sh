#!/usr/bin/env bash
# Builds everything and runs every test: the core's unit tests natively, then the built
# program under Wine on a virtual screen of its own, in a fresh prefix that is removed after.
# It prints how the Windows programs run here (wine-prefix.sh) and the time of each phase.
set -euo pipefail
cd "$(dirname "$0")/.."

phase_name="" phase_start=$SECONDS phase_times=()
# Phases that ended before the emulated route ran this script again in its namespace.
[ -n "${TARNWICK_PHASES:-}" ] && mapfile -t phase_times <<<"$TARNWICK_PHASES"
#   phase NAME   ends the phase before it (printing its time) and starts NAME
phase() {
    if [ -n "$phase_name" ]; then
        phase_times+=("$(printf '%-11s %4d s' "$phase_name" $((SECONDS - phase_start)))")
        echo "== ${phase_times[-1]}"
    fi
    phase_name="$1" phase_start=$SECONDS
}

source scripts/build.sh
source scripts/wine-prefix.sh
source scripts/second-wine.sh
if [ -z "${TARNWICK_IN_NAMESPACE:-}" ]; then
    phase setup
    ./scripts/setup.sh --tests
    # Made here, where the packages can be unpacked as root: the emulated route's namespace
    # maps only one user.
    phase root
    second_wine_root
    phase route
    pick_wine_route
    phase builds
    export TARNWICK_PHASES="$(printf '%s\n' "${phase_times[@]}")"
fi
enter_wine_route "$ROOT/scripts/${0##*/}" "$@"

[ "$phase_name" = builds ] || phase builds
build_native
build_product i686
[ "$TARNWICK_ARCH" = i686 ] || build_product "$TARNWICK_ARCH"
build_e2e "$TARNWICK_ARCH" "$ROOT/build/$TARNWICK_ARCH/tarnwick.exe"
# Under emulation a 32-bit program that uses COM proxies into another process crashes now and
# then (Wine's 32-bit RPC under qemu: a call through address 0), and so does the 32-bit program
# under test while another process calls it ("qemu: uncaught target signal 11", or an illegal
# instruction, and the caller waits for ever). So on that route no reader calls into the 32-bit
# program: whatever a reader does (the accessibility suite, the planting test, the reader's rows
# of the link and launch-failure tables) runs on the x86-64 build of the same sources, natively,
# read by the 64-bit test programs, and the mouse's rows on the 32-bit program.
reader_arch="$TARNWICK_ARCH"
if [ "$TARNWICK_ROUTE" = emulated ]; then
    reader_arch=x86_64
    build_product x86_64
    build_e2e x86_64 "$ROOT/build/x86_64/tarnwick.exe"
fi

status=0
phase unit
ctest --test-dir build/native --output-on-failure -LE release || status=1

phase end-to-end
trap end_session EXIT
start_session "$(mktemp -d)"
if [ "$reader_arch" = "$TARNWICK_ARCH" ]; then
    ctest --test-dir "build/e2e-$TARNWICK_ARCH" --output-on-failure -LE "dpi|screen|release|load" || status=1
    platform_notes "build/e2e-$TARNWICK_ARCH"
else
    TARNWICK_READERS_ELSEWHERE=1 ctest --test-dir "build/e2e-$TARNWICK_ARCH" --output-on-failure \
        -LE "dpi|screen|release|load|accessibility|planting" || status=1
    platform_notes "build/e2e-$TARNWICK_ARCH"
    echo "What a reader does: the x86-64 build, which runs natively here"
    ctest --test-dir "build/e2e-$reader_arch" --output-on-failure -R "^(Link|LaunchFailure)$" || status=1
    ctest --test-dir "build/e2e-$reader_arch" --output-on-failure -L "accessibility|planting" || status=1
    platform_notes "build/e2e-$reader_arch"
fi

# One pair of the start-up benchmark, so that it keeps working; its figures are not judged
# (and mean nothing on the emulated route).
bin="build/$TARNWICK_ARCH"
echo "Benchmark, quick run:"
"$WINELOADER" "$bin/bench_launcher.exe" "$bin/tarnwick.exe" "$bin/floor.exe" 1 || status=1

phase load
# Many screen readers at once, judged where the program runs natively: the shipped 32-bit
# program where the kernel starts it; under emulation the x86-64 build of the same sources
# (qemu's own memory grows with every call, and several 32-bit readers at once crash Wine's
# 32-bit RPC there).
if [ "$TARNWICK_ROUTE" = emulated ]; then
    echo "Readers' load: the x86-64 build, which runs natively here"
    ctest --test-dir build/e2e-x86_64 -V -L load || status=1
else
    ctest --test-dir "build/e2e-$TARNWICK_ARCH" -V -L load || status=1
fi

phase dpi
# The same layout at other dpi settings of the prefix.
dpi_tests "build/e2e-$TARNWICK_ARCH" || status=1

phase screens
# Placement on screens smaller than the window, and on two monitors.
for screen in 800x600 640x400 dual; do
    case $screen in
        dual) start_two_monitors ;;
        *) start_screen -screen 0 "${screen}x24" ;;
    esac
    restart_wine
    TARNWICK_SCREEN=$screen ctest --test-dir "build/e2e-$TARNWICK_ARCH" --output-on-failure -L screen || status=1
done

phase release
# The shipped file: reproducible, its headers and resources, signed and still running.
start_screen -screen 0 1280x800x24
restart_wine
ctest --test-dir build/native --output-on-failure -L release || status=1
ctest --test-dir "build/e2e-$TARNWICK_ARCH" --output-on-failure -L release || status=1

if [ "$TARNWICK_ROUTE" = native ]; then
    phase wow64
    # Nearly every user runs the 32-bit program on 64-bit Windows: what the user sees and what
    # a reader hears, again with the 32-bit program in a 64-bit prefix, read by a 32-bit and by
    # a 64-bit reader. (The emulated route runs everything this way already.)
    build_e2e x86_64 "$ROOT/build/i686/tarnwick.exe"
    end_session
    export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 WINEDLLPATH=/usr/lib/i386-linux-gnu/wine
    start_session "$(mktemp -d)"
    ctest --test-dir build/e2e-i686 --output-on-failure -L "notice|accessibility" || status=1
    ctest --test-dir build/e2e-x86_64 --output-on-failure -L accessibility || status=1
fi

phase wine10
# A second implementation of Windows: the same program and tests on the Wine of Debian 13, in
# its root (second-wine.sh), on the same route: what the user sees and does, what MSAA and UI
# Automation readers read, the reader's rows too, and the dpi tests. Where the two Wines differ,
# the tests say which showed what.
end_session
trap - EXIT
in_second_wine env -u WINEARCH -u WINELOADER -u WINEDLLPATH -u WINEPREFIX \
    "$ROOT/scripts/second-wine-tests.sh" || status=1

phase done
echo "Phases ($TARNWICK_ROUTE route):"
printf '  %s\n' "${phase_times[@]}"
exit $status
