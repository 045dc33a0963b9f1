#!/usr/bin/env bash
# The desktop program on a virtual display merges an encrypted trio that TiddlyWiki wrote: the password
# is typed into its question, a wrong one first (which is asked again); the review window that git's
# merge tool opens is saved with Ctrl+S, and every other question gets the Enter key; TiddlyWiki then
# decrypts the merged wiki, which holds the edits of both sides.
#   desktop-password.sh KORVANE        (needs xvfb-run, openbox, xdotool, node and TiddlyWiki)
set -euo pipefail
korvane=$1
here=$(cd "$(dirname "$0")/../tw5" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
source "$(dirname "$0")/../support/virtual-display.sh"
in_virtual_display "$0" "$@" -- node
work=$(mktemp -d)
trap 'kill %1 2> /dev/null || true; rm -rf "$work"' EXIT
export KORVANE_CONFIG_DIR=$work/settings QT_QPA_PLATFORM=xcb
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0  # as in git-mergetool.sh
openbox > /dev/null 2>&1 &
node "$here/trios.js" make "$work" > /dev/null || fail "TiddlyWiki did not write the trios"
trio=$work/encrypted-older
password=$(head -n 1 "$work/encrypted-older.password")
"$korvane" /local "$trio/local.html" /remote "$trio/remote.html" /lastmerge "$trio/unedited.html" \
    /output "$work/out.html" > "$work/korvane.log" 2>&1 &
app=$!
asked=0
for _ in $(seq 300); do
    kill -0 "$app" 2> /dev/null || break
    sleep 0.5
    if window=$(xdotool search --onlyvisible --name '^Password$' 2> /dev/null | head -n 1) && [ -n "$window" ]; then
        asked=$((asked + 1))
        xdotool windowactivate --sync "$window" 2> /dev/null || true
        sleep 0.5  # the question lets Enter pass only once it has been shown for a moment
        xdotool type --delay 20 "$([ "$asked" = 1 ] && echo wrong || echo "$password")"
        xdotool key Return
        sleep 1
    else
        xdotool key ctrl+s 2> /dev/null || true
        sleep 0.5
        xdotool key Return 2> /dev/null || true
    fi
done
wait "$app" || fail "korvane ended with $?: $(cat "$work/korvane.log")"
[ "$asked" = 2 ] || fail "the password was asked $asked times, not twice (a wrong one, then again)"
node -e '
const {bootTw} = require(process.argv[1] + "/twload.js");
const html = require("fs").readFileSync(process.argv[2], "utf8");
bootTw([], ($tw) => {
    const text = $tw.crypto.decrypt($tw.utils.extractEncryptedStoreArea(html), process.argv[3]);
    const tiddlers = text ? JSON.parse(text) : {};
    const ok = (tiddlers["Edited here"] || {}).text === "Edited here: edited here." &&
               (tiddlers["Added there"] || {}).text === "Added there.";
    if (!ok) { console.error("FAIL: TiddlyWiki does not decrypt both sides’ edits from the merged wiki"); process.exitCode = 1; }
});' "$here" "$work/out.html" "$password" || exit 1
echo "merged an encrypted trio through the windows, the password typed"
