#!/usr/bin/env bash
# korvane.exe under wine on a virtual display: it says its version, opens its main window on a sample
# trio (found by its title), and merges a TiddlyWiki 5 trio as git's merge tool through the review
# window (Ctrl+S saves, Enter answers each question); TiddlyWiki then reads the merged wiki back.
#   tests/windows/desktop-wine.sh BUILD_DIR [SCREENSHOT.png]
# BUILD_DIR holds korvane.exe. With SCREENSHOT the screen with the main window is saved there.
# Needs xvfb-run, openbox, xdotool, wine, node and TiddlyWiki as test.sh installs it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
shot=${2:+$(realpath -m "$2")}
fail() { echo "FAIL: $*" >&2; exit 1; }
if [ -z "${KORVANE_IN_XVFB:-}" ]; then
    for tool in xvfb-run openbox xdotool wine node; do
        command -v "$tool" > /dev/null || fail "$tool is not installed (test.sh installs it)"
    done
    KORVANE_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" ${shot:+"$shot"}
fi
export WINEDEBUG=-all KORVANE_TW5_DIR=${KORVANE_TW5_DIR:-$HOME/.cache/korvane-tw5}
work=$(mktemp -d)
trap 'kill %1 2> /dev/null || true; rm -rf "$work"' EXIT
export KORVANE_CONFIG_DIR=$work/settings
openbox > /dev/null 2>&1 &
korvane() { wine "$build/korvane.exe" "$@"; }

version=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\).*/\1/p' "$here/../CMakeLists.txt")
said=$(korvane --version | tr -d '\r')
[ "$said" = "korvane $version" ] || fail "korvane.exe --version said: $said"

# The main window on the sample trio, given with Windows paths.
korvane --write-demo "$(winepath -w "$work/demo")" || fail "korvane.exe --write-demo failed"
win=$(winepath -w "$work/demo")
korvane /local "$win\\local.html" /remote "$win\\remote.html" /lastmerge "$win\\unedited.html" \
    > "$work/main.log" 2>&1 &
app=$!
window=
for _ in $(seq 120); do
    window=$(xdotool search --onlyvisible --name "^Korvane $version\$" 2> /dev/null | head -n 1) || true
    [ -n "$window" ] && break
    kill -0 "$app" 2> /dev/null || fail "korvane.exe ended without a window: $(cat "$work/main.log")"
    sleep 0.5
done
[ -n "$window" ] || fail "no window named Korvane $version appeared"
sleep 2  # drawn
[ -z "$shot" ] || import -window root "$shot"
xdotool windowclose "$window"
for _ in $(seq 40); do kill -0 "$app" 2> /dev/null || break; sleep 0.5; done
kill -0 "$app" 2> /dev/null && fail "closing the main window did not end korvane.exe"
echo "korvane.exe opened its main window under wine"
