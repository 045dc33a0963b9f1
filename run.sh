#!/usr/bin/env bash
# Installs what is missing, builds Korvane (Release) into build/, and starts it.
#   ./run.sh ARGS...   starts Korvane with ARGS, for example: ./run.sh /local a.html /remote b.html
#   ./run.sh --demo    writes a sample trio (local, remote, unedited) to a temporary folder and opens
#                      Korvane on it with /local ... /remote ... /lastmerge ...
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ qt6-base-dev qt6-qpa-plugins fonts-dejavu-core)
scripts/ensure-packages.sh "${packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build

args=("$@")
if [ "${1:-}" = "--demo" ]; then
    demo=$(mktemp -d "${TMPDIR:-/tmp}/korvane-demo.XXXXXX")
    build/korvane --write-demo "$demo"
    echo "Sample trio written to $demo (local.html, remote.html, unedited.html)"
    args=(/local "$demo/local.html" /remote "$demo/remote.html" /lastmerge "$demo/unedited.html")
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "There is no display to open Korvane's window on (neither DISPLAY nor WAYLAND_DISPLAY is set)."
    echo "Start it on a virtual display instead (packages xvfb and xauth):"
    printf '  xvfb-run -s "-screen 0 1280x1024x24" build/korvane'
    printf ' %q' "${args[@]}"
    echo
    exit 1
fi
exec build/korvane "${args[@]}"
