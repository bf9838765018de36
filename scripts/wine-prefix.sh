# Sourced by run.sh, test.sh and bench.sh. Chooses the Wine that can run here and makes
# prefixes for it.
#
# tarnwick.exe is a 32-bit program and runs in a 32-bit prefix. Some Linux kernels are built
# or booted without 32-bit support (ia32_emulation=off): there a 32-bit process cannot
# start, and the same sources are built for x86-64 and run by the 64-bit Wine instead.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    export TARNWICK_ARCH=i686 WINEARCH=win32 WINELOADER=/usr/lib/wine/wine
else
    export TARNWICK_ARCH=x86_64 WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
fi

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
