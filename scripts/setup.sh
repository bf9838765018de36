#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, if any is missing;
# with --tests also the CycloneDX project's SBOM validator (npm) for the release tests.
#   scripts/setup.sh [--tests]
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 fonts-wine
  # What Wine's X11 driver loads for monitors (Xinerama, RandR), cursors and input, for both
  # of its halves
  libxinerama1 libxrandr2 libxcursor1 libxi6 libxrender1
  libxinerama1:i386 libxrandr2:i386 libxcursor1:i386 libxi6:i386 libxrender1:i386
  # The 32-bit programs where the kernel cannot start them (wine-prefix.sh)
  qemu-user-static
  xvfb xserver-xephyr xauth x11-utils imagemagick python3 python3-pefile python3-xlib
  osslsigncode openssl ca-certificates git
  # The second Wine's root (second-wine.sh): made from Debian's packages, entered with pivot_root
  mmdebstrap bubblewrap
  nodejs
)
# npm comes with some builds of nodejs, and from its own package with Debian's.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The validator, as pinned by the lock file; installed again when the lock file changes. No
# install scripts and no optional packages: only the JSON validator is used.
[ "${1:-}" = --tests ] || exit 0
node_tests="$(cd "$(dirname "$0")/../tests/release" && pwd)"
if ! cmp -s "$node_tests/package-lock.json" "$node_tests/node_modules/.installed-lock"; then
  echo "Installing the CycloneDX validator (npm ci in tests/release)"
  (cd "$node_tests" && npm ci --omit=optional --ignore-scripts --no-audit --no-fund --loglevel=error)
  cp "$node_tests/package-lock.json" "$node_tests/node_modules/.installed-lock"
fi
