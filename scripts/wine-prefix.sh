# Sourced by run.sh, test.sh and bench.sh. Chooses how Windows programs run here and makes
# prefixes for them.
#
# tarnwick.exe is a 32-bit program. The route to run it is, in this order of preference:
#   native    the kernel starts 32-bit programs: the 32-bit Wine in a 32-bit prefix;
#   emulated  it does not (ia32_emulation=off), but qemu's user-mode emulation can run them:
#             inside a private user and mount namespace, 32-bit x86 programs go to qemu, and
#             the 64-bit Wine hands the 32-bit exe to its 32-bit loader;
#   x86_64    neither: the same sources built for x86-64, run by the 64-bit Wine.
# TARNWICK_ROUTE set beforehand forces a route (for example to try the emulated one on a
# kernel that would not need it).
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# Inside the namespace only: 32-bit x86 ELF files go to qemu. binfmt_misc reads the \x escapes.
binfmt_i386_rule=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F'

#   in_emulation_namespace COMMAND...   runs COMMAND where 32-bit programs run under qemu;
#                                       nothing outside the namespace sees the rule
in_emulation_namespace() {
    unshare -U -r -m --propagation private sh -c '
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc &&
        printf "%s" "$0" >/proc/sys/fs/binfmt_misc/register && exec "$@"' \
        "$binfmt_i386_rule" "$@"
}

#   pick_wine_route [--native-only]   sets TARNWICK_ROUTE (and TARNWICK_ROUTE_WHY) unless it
#                                     is set; timing needs programs that run natively, so
#                                     --native-only never picks the emulated route
pick_wine_route() {
    local no32="this kernel cannot start 32-bit programs"
    if [ "${1:-}" = --native-only ] && [ "${TARNWICK_ROUTE:-}" = emulated ]; then
        TARNWICK_ROUTE=x86_64 TARNWICK_ROUTE_WHY="timings under emulation say nothing"
    fi
    [ -n "${TARNWICK_ROUTE:-}" ] && { export TARNWICK_ROUTE; return; }
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        TARNWICK_ROUTE=native
    elif [ "${1:-}" = --native-only ]; then
        TARNWICK_ROUTE=x86_64 TARNWICK_ROUTE_WHY="$no32, and timings under emulation say nothing"
    elif ! [ -x /usr/bin/qemu-i386-static ]; then
        TARNWICK_ROUTE=x86_64 TARNWICK_ROUTE_WHY="$no32, and qemu-i386-static is missing"
    elif ! in_emulation_namespace /usr/lib/wine/wine --version >/dev/null 2>&1; then
        TARNWICK_ROUTE=x86_64 TARNWICK_ROUTE_WHY="$no32, and no private namespace can send them to qemu (user namespaces off, or a kernel before 6.7)"
    else
        TARNWICK_ROUTE=emulated TARNWICK_ROUTE_WHY="$no32"
    fi
    export TARNWICK_ROUTE TARNWICK_ROUTE_WHY
}

#   enter_wine_route [SCRIPT ARGS...]   exports TARNWICK_ARCH (the build to run), WINEARCH and
#                                       WINELOADER for the route; with SCRIPT, the emulated
#                                       route first runs SCRIPT ARGS again inside the namespace
enter_wine_route() {
    pick_wine_route
    local why="${TARNWICK_ROUTE_WHY:-as TARNWICK_ROUTE asks}"
    case $TARNWICK_ROUTE in
    native)
        export TARNWICK_ARCH=i686 WINEARCH=win32 WINELOADER=/usr/lib/wine/wine
        echo "Windows programs: the 32-bit tarnwick.exe, under the 32-bit Wine." ;;
    emulated)
        if [ -z "${TARNWICK_IN_NAMESPACE:-}" ] && [ $# -gt 0 ]; then
            echo "Windows programs: the 32-bit tarnwick.exe, under qemu's emulation of i386 ($why)."
            export TARNWICK_IN_NAMESPACE=1
            in_emulation_namespace "$@"
            exit $?
        fi
        # The services of a 64-bit prefix run natively; only the 32-bit programs are emulated.
        # Without WINEDLLPATH the prefix gets no 32-bit system DLLs; without the reserved
        # address space each start takes about 50 s, qemu refusing Wine's reservations one by
        # one (2 GB is what a 32-bit Windows program has anyway).
        export TARNWICK_ARCH=i686 WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 \
            WINEDLLPATH=/usr/lib/i386-linux-gnu/wine QEMU_RESERVED_VA=0x7fff0000 ;;
    x86_64)
        export TARNWICK_ARCH=x86_64 WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
        echo "Windows programs: the x86-64 build of the same sources, under the 64-bit Wine ($why)." ;;
    *)
        echo "TARNWICK_ROUTE must be native, emulated or x86_64" >&2
        exit 2 ;;
    esac
}

#   enter_timing_route SCRIPT ARGS...   for timing: runs SCRIPT ARGS again pinned to one CPU,
#                                       with the X server and Wine's processes it starts
#                                       (between CPUs the wake-ups alone spread a start by tens
#                                       of per cent), on a route that runs natively (timings
#                                       under emulation say nothing about the program)
enter_timing_route() {
    [ -n "${TARNWICK_PINNED:-}" ] || TARNWICK_PINNED=1 exec taskset -c "$(($(nproc) - 1))" "$@"
    pick_wine_route --native-only
    enter_wine_route
}

#   make_prefix DIR   creates a prefix in DIR and exports WINEPREFIX
make_prefix() {
    export WINEPREFIX="$1"
    mkdir -p "$WINEPREFIX"
    "$WINELOADER" wineboot -i </dev/null >/dev/null 2>&1
    # A fresh prefix does not load Debian's fonts-wine: without them Tahoma is replaced.
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    # No crash dialog (a crash ends the process at once), and no 2 s wait for a window
    # manager whenever a window hides: Wine manages its windows itself.
    wine_reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
    wine_reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
    wineserver -w
}

wine_reg() {
    "$WINELOADER" reg "$@" /f </dev/null >/dev/null 2>&1
}

#   start_session DIR   a virtual screen and a fresh prefix in DIR, with the wineserver and
#                       Wine's services running; end_session stops both and removes DIR
start_session() {
    session_dir="$1"
    start_screen -screen 0 1280x800x24
    make_prefix "$session_dir/prefix"
    start_wineserver
}

#   start_screen XVFB_SCREEN_ARGS...   (re)starts the session's virtual screen; Wine reads the
#                                      screen when its server starts, so restart that too
#   start_two_monitors                 two monitors side by side, 1280x800 (primary) and
#                                      1024x768: Xephyr with Xinerama, on a virtual screen
start_screen() {
    stop_screens
    start_x_server Xvfb "$@"
}

start_two_monitors() {
    stop_screens
    start_x_server Xvfb -screen 0 2400x900x24
    # Without RandR, Wine takes the monitors from Xinerama.
    start_x_server Xephyr -screen 1280x800+0+0 -screen 1024x768+1280+0 +xinerama -extension RANDR
}

start_x_server() {
    rm -f "$session_dir/display"
    "$@" -displayfd 3 -nolisten tcp 3>"$session_dir/display" >/dev/null 2>&1 &
    session_xservers="$! ${session_xservers:-}"
    for _ in $(seq 100); do [ -s "$session_dir/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$session_dir/display")"
}

stop_screens() {
    for pid in ${session_xservers:-}; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    session_xservers=""
}

#   restart_wine        stops the wineserver and starts it again (after a change of screen or
#                       of the prefix's dpi)
restart_wine() {
    wineserver -k
    wineserver -w
    start_wineserver
}

#   platform_notes E2E_DIR   what the tests of the last ctest run there said of this platform,
#                            where Windows implementations differ (their output is shown only
#                            on a failure)
platform_notes() {
    grep -h "this platform\|This platform" "$1/Testing/Temporary/LastTest.log" 2>/dev/null |
        sort -u | sed 's/^/  /' || true
}

#   dpi_tests E2E_DIR   the layout at other dpi settings of the prefix, on a screen on which the
#                       notice fits at 192 dpi where the platform stretches it
dpi_tests() {
    local status=0
    start_screen -screen 0 2560x1600x24
    for dpi in 120 144 192; do
        wine_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi"
        restart_wine
        TARNWICK_DPI=$dpi ctest --test-dir "$1" --output-on-failure -L dpi || status=1
        platform_notes "$1"
    done
    wine_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96
    start_screen -screen 0 1280x800x24
    restart_wine
    return $status
}

end_session() {
    wineserver -k 2>/dev/null || true
    stop_screens
    [ -n "${session_dir:-}" ] && rm -rf "$session_dir"
    return 0
}

# Starts the server and Wine's services with their output detached: services that first start
# inside ctest inherit its output pipe, and ctest never ends.
start_wineserver() {
    wineserver -p
    "$WINELOADER" cmd /c exit </dev/null >/dev/null 2>&1
}
