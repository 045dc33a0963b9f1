#!/usr/bin/env bash
# Builds Korvane's packages with CPack, from a Release build of their own ($KORVANE_PACKAGE_BUILD_DIR,
# build-package; through ccache, so that a rebuild takes seconds):
#   scripts/package.sh                      the Debian package build-package/korvane_VERSION_ARCH.deb
#   KORVANE_WINDOWS=1 scripts/package.sh    also build-win/korvane-VERSION-windows-x64.zip, cross-built by
#                                           scripts/build-windows.sh --build-only (minutes the first time)
# The last lines of standard output name what was built: "Built PATH".
# Install the Debian package with: sudo apt install ./build-package/korvane_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh cmake ninja-build g++ qt6-base-dev libgit2-dev libssl-dev pkg-config dpkg-dev ccache
build=${KORVANE_PACKAGE_BUILD_DIR:-build-package}
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_BENCH=OFF "${launcher[@]}" > /dev/null
cmake --build "$build"
# dpkg-shlibdeps names the libraries' packages; it prints what it passes over on standard error.
(cd "$build" && rm -f korvane_*.deb && cpack -G DEB > cpack.log) || { cat "$build/cpack.log" >&2; exit 1; }
echo "Built $(cd "$build" && pwd)/$(cd "$build" && ls korvane_*.deb)"

if [ "${KORVANE_WINDOWS:-0}" = 1 ]; then
    scripts/build-windows.sh --build-only | grep '^Built .*\.zip$'
fi
