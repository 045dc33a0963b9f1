#!/usr/bin/env bash
# Merges TiddlyWiki 5 trios that TiddlyWiki itself saved, with korvane-cli, and checks each result the
# way TiddlyWiki sees it: loaded by TiddlyWiki's own code under the browser's rules, tiddler by tiddler
# and field by field, untouched tiddlers byte for byte, merged wikis booted in headless chromium, and
# the files listed by `korvane-cli list` with the titles TiddlyWiki reads.
#   tests/tw5/realclient.sh KORVANE_CLI
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=$1
export KORVANE_TW5_DIR=${KORVANE_TW5_DIR:-$HOME/.cache/korvane-tw5}
fail() { echo "FAIL: $*" >&2; status=1; }
need() { command -v "$1" >/dev/null || { echo "FAIL: $1 is not installed ($2)" >&2; exit 1; }; }
need node "test.sh installs the package nodejs"
need chromium "test.sh installs the package chromium"
[ -f "$KORVANE_TW5_DIR/node_modules/tiddlywiki/package.json" ] ||
    { echo "FAIL: TiddlyWiki is not installed in $KORVANE_TW5_DIR (test.sh installs it)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
node "$here/trios.js" make "$work" > "$work/names" || { echo "FAIL: the trios could not be made" >&2; exit 1; }

# Opens FILE#TITLE in headless chromium: the page must boot and show TITLE's tiddler.
boots() {
    local dom=$work/dom.html
    timeout 180 chromium --headless --no-sandbox --disable-gpu --disable-dev-shm-usage --user-data-dir="$work/chromium" \
        --virtual-time-budget=15000 --dump-dom "file://$1#$(node -p 'encodeURIComponent(process.argv[1])' "$2")" \
        > "$dom" 2>/dev/null
    grep -q 'class="tc-page-container' "$dom" || { fail "$1 did not boot in chromium"; return; }
    grep -oE '<div data-tiddler-title="[^"]*"[^>]*class="tc-tiddler-frame' "$dom" | grep -qF "=\"$2\"" ||
        { fail "$1 booted but does not show the tiddler $2"; return; }
    echo "$1 boots in chromium and shows $2"
}

# korvane-cli list names the tiddlers that TiddlyWiki's loader reads.
lists_same() {
    diff <("$cli" list "$1" | cut -f2 | LC_ALL=C sort) <(node "$here/twload.js" --titles "$1" | LC_ALL=C sort) \
        > "$work/list.diff" || fail "korvane-cli list $1 differs from TiddlyWiki's loader: $(head -c 300 "$work/list.diff")"
}

while read -r name; do
    dir=$work/$name
    out=$dir/out.html
    want=$(node -p "require(process.argv[1]).exit" "$dir/expected.json")
    base=()
    [ -f "$dir/unedited.html" ] && base=(/lastmerge "$dir/unedited.html")
    rc=0
    "$cli" merge /local "$dir/local.html" /remote "$dir/remote.html" "${base[@]}" --out "$out" \
        --conflicts both > "$dir/decisions" 2> "$dir/summary" || rc=$?
    [ "$rc" = "$want" ] || fail "$name: korvane-cli merge exit $rc, expected $want: $(cat "$dir/summary")"
    diff <(cut -f2- "$dir/decisions" | LC_ALL=C sort) <(node -e 'process.stdout.write(require(process.argv[1]).decisions)' \
        "$dir/expected.json" | LC_ALL=C sort) || fail "$name: the decisions printed (<) are not the expected ones (>)"
    for f in "$dir"/{local,remote,unedited,out}.html; do
        [ -f "$f" ] && lists_same "$f"
    done
    node "$here/trios.js" check "$dir" "$out" || fail "$name: the merged wiki"
    case $name in json | div) boots "$out" "Shared plan" ;; esac
done < "$work/names"
[ "$status" = 0 ] && echo "All TiddlyWiki 5 real-client checks passed."
exit "$status"
