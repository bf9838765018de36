# Sourced by run.sh and test.sh: configures and builds into build/.
#   build_product ARCH     build/ARCH/tarnwick.exe (i686 is the shipped program)
#   build_native           build/native: the core and its unit tests
#   build_e2e ARCH EXE     build/e2e-ARCH: the Windows test programs around EXE
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

build_product() {
    cmake -S "$ROOT" -B "$ROOT/build/$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$1-w64-mingw32.cmake" >/dev/null
    cmake --build "$ROOT/build/$1"
}

build_native() {
    cmake -S "$ROOT" -B "$ROOT/build/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$ROOT/build/native"
}

build_e2e() {
    # Under emulation the 32-bit programs take several times as long (more on a busy machine):
    # the tests' deadlines and time-outs are scaled to it, so that they judge no speed.
    local scale=1
    [ "${TARNWICK_ROUTE:-}" = emulated ] && scale=4
    cmake -S "$ROOT/tests/e2e" -B "$ROOT/build/e2e-$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$1-w64-mingw32.cmake" -DMINGW_THREADS=posix \
        -DTARNWICK_EXE="$2" -DTARNWICK_SHIPPED_EXE="$ROOT/build/i686/tarnwick.exe" \
        -DTARNWICK_DEADLINE_SCALE=$scale >/dev/null
    cmake --build "$ROOT/build/e2e-$1"
}
