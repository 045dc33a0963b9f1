#!/usr/bin/env bash
# Installs what is missing, builds Korvane (Release) into build/, and starts it.
#   ./run.sh ARGS...   starts Korvane with ARGS, for example: ./run.sh /local a.html /remote b.html
#                      (from any folder: relative paths are taken from the folder you are in)
#   ./run.sh --demo    writes a sample trio (local, remote, unedited) to a temporary folder and opens
#                      Korvane on it with /local ... /remote ... /lastmerge ...; the demo remembers its
#                      paths in that folder, so your own remembered paths stay as they are
#   ./run.sh --demo tw5   the same with the TiddlyWiki 5 trio (tw5-local.html, ...)
#   ./run.sh --package    builds the Debian package instead (scripts/package.sh), to install with
#                         sudo apt install ./build-package/korvane_VERSION_ARCH.deb
set -euo pipefail
caller=$PWD
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
[ "${1:-}" = --package ] && exec scripts/package.sh

packages=(cmake ninja-build g++ qt6-base-dev libgit2-dev libssl-dev pkg-config qt6-qpa-plugins fonts-dejavu-core)
scripts/ensure-packages.sh "${packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build

korvane="$here/build/korvane"
args=("$@")
settings=()
if [ "${1:-}" = "--demo" ]; then
    demo=$(mktemp -d "${TMPDIR:-/tmp}/korvane-demo.XXXXXX")
    "$korvane" --write-demo "$demo"
    prefix=""
    [ "${2:-}" = tw5 ] && prefix=tw5-
    echo "Sample trio written to $demo (${prefix}local.html, ${prefix}remote.html, ${prefix}unedited.html)"
    export KORVANE_CONFIG_DIR="$demo/settings"
    settings=(env "KORVANE_CONFIG_DIR=$KORVANE_CONFIG_DIR")
    echo "The demo remembers its paths in $KORVANE_CONFIG_DIR; your own remembered paths are left alone."
    args=(/local "$demo/${prefix}local.html" /remote "$demo/${prefix}remote.html"
          /lastmerge "$demo/${prefix}unedited.html")
fi
cd "$caller"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "There is no display to open Korvane's window on (neither DISPLAY nor WAYLAND_DISPLAY is set)."
    echo "Start it on a virtual display instead (packages xvfb and xauth):"
    printf '  xvfb-run -s "-screen 0 1280x1024x24"'
    printf ' %q' "${settings[@]}" "$korvane" "${args[@]}"
    echo
    exit 1
fi
exec "$korvane" "${args[@]}"
