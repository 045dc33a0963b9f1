#!/usr/bin/env bash
# korvane.exe under wine on a virtual display: it says its version; it opens its main window on a
# sample trio given with Windows paths (found by its title), and closing the window ends it; as git's
# merge tool it merges a TiddlyWiki 5 trio in a folder whose name is not ASCII through the review
# window (Ctrl+S saves, Enter answers each question), and TiddlyWiki reads the merged wiki back.
#   tests/windows/desktop-wine.sh BUILD_DIR [SCREENSHOT.png]
# BUILD_DIR holds korvane.exe. With SCREENSHOT the screen with the main window is saved there.
# Needs xvfb-run, openbox, xdotool, wine, node and TiddlyWiki as test.sh installs it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
source "$here/support/virtual-display.sh"
in_virtual_display "$0" "$@" -- wine node
build=$(cd "$1" && pwd)
shot=${2:+$(realpath -m "$2")}
export WINEDEBUG=-all KORVANE_TW5_DIR=${KORVANE_TW5_DIR:-$HOME/.cache/korvane-tw5}
work=$(mktemp -d)
trap 'kill %1 2> /dev/null || true; rm -rf "$work"' EXIT
export KORVANE_CONFIG_DIR=$work/settings
openbox > /dev/null 2>&1 &
korvane() { wine "$build/korvane.exe" "$@"; }

version=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\).*/\1/p' "$here/../CMakeLists.txt")
said=$(korvane --version | tr -d '\r')
[ "$said" = "korvane $version" ] || fail "korvane.exe --version said: $said"

# --- The main window on the sample trio -----------------------------------------------------------
mkdir -p "$work/demo"
win=$(winepath -w "$work/demo")
korvane --write-demo "$win" || fail "korvane.exe --write-demo failed"
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
# The window manager's Alt+F4 asks the window to close, as a click on its close button does.
xdotool windowactivate --sync "$window" key alt+F4 2> /dev/null || true
for _ in $(seq 40); do kill -0 "$app" 2> /dev/null && sleep 0.5; done
kill -0 "$app" 2> /dev/null && fail "closing the main window did not end korvane.exe"
echo "korvane.exe opened its main window under wine"

# --- git's merge tool: a TiddlyWiki 5 trio through the review window ------------------------------
node "$here/tw5/trios.js" make "$work/trios" > /dev/null || fail "TiddlyWiki did not write the trios"
dir="$work/Wikis – Zoë ☕"
mkdir -p "$dir" && cp "$work/trios/json"/{local,remote,unedited}.html "$dir"/
win=$(winepath -w "$dir")
korvane /local "$win\\local.html" /remote "$win\\remote.html" /lastmerge "$win\\unedited.html" \
    /output "$win\\merged.html" > "$work/tool.log" 2>&1 &
app=$!
save_and_answer "$app"
wait "$app" || fail "korvane.exe as the merge tool ended with $?: $(cat "$work/tool.log")"
node "$here/tw5/trios.js" check "$work/trios/json" "$dir/merged.html" || fail "TiddlyWiki reads another wiki"
cmp -s "$dir/local.html" "$work/trios/json/local.html" || fail "the merge tool changed the local file"
echo "korvane.exe merged a TiddlyWiki 5 trio through the review window under wine"
