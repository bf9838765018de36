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
