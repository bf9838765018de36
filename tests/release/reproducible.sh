#!/usr/bin/env bash
# Two clean builds of the shipped executable, from copies of the same sources in two folders
# of different names and depths, must give byte-identical files.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

build() {
    local tree="$work/$1"
    mkdir -p "$tree"
    (cd "$root" && tar -cf - CMakeLists.txt cmake src res bench) | tar -xf - -C "$tree"
    { cmake -S "$tree" -B "$tree/out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
          -DCMAKE_TOOLCHAIN_FILE="$tree/cmake/i686-w64-mingw32.cmake" &&
      cmake --build "$tree/out" --target tarnwick; } >"$work/build.log" 2>&1 ||
        { cat "$work/build.log"; echo "the build in '$1' failed"; exit 1; }
}

build a
build "second/copy of the sources"
first="$work/a/out/tarnwick.exe"
second="$work/second/copy of the sources/out/tarnwick.exe"
if cmp "$first" "$second"; then
    echo "identical: $(stat -c %s "$first") bytes, sha256 $(sha256sum "$first" | cut -c1-16)..."
else
    echo "the two builds differ"
    exit 1
fi
