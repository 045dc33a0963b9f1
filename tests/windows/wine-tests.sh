#!/usr/bin/env bash
# korvane-cli.exe under wine, on what Windows users meet: a whole three-file merge of a TiddlyWiki 5
# trio in a folder whose name is not ASCII, given with Windows paths; an encrypted trio merged with its
# password; and a file that another program holds open, which stops the save before anything is
# changed.
#   tests/windows/wine-tests.sh BUILD_DIR [LINUX_KORVANE_CLI]
# BUILD_DIR holds korvane-cli.exe and korvane_hold_open.exe. With LINUX_KORVANE_CLI the merged wiki
# must be byte for byte what the Linux program writes from the same trio.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
linux_cli=${2:-}
export KORVANE_TW5_DIR=${KORVANE_TW5_DIR:-$HOME/.cache/korvane-tw5}
# Conflict copies are named after this moment, the same under wine and on Linux.
export WINEDEBUG=-all LC_ALL=C.UTF-8 SOURCE_DATE_EPOCH=1765000000 TZ=UTC0
[ -f "$KORVANE_TW5_DIR/node_modules/tiddlywiki/package.json" ] ||
    { echo "FAIL: TiddlyWiki is not installed in $KORVANE_TW5_DIR (test.sh installs it)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {  # check DESCRIPTION COMMAND...: one check, counted
    if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $1" >&2; fi
}
cli() { wine "$build/korvane-cli.exe" "$@"; }
node "$here/../tw5/trios.js" make "$work/trios" > /dev/null || { echo "FAIL: the trios could not be made" >&2; exit 1; }
trio=$work/trios/json

# A fresh copy of the trio in FOLDER (made here), its Windows name in $win.
copy_trio() {
    rm -rf "$1" && mkdir -p "$1" && cp "$trio"/{local,remote,unedited}.html "$1"/
    win=$(winepath -w "$1")
}

# --- A whole three-file merge, in a folder named in three scripts, with Windows paths -------------
dir="$work/Wikis – Zoë ☕ Ελληνικά"
copy_trio "$dir"
rc=0
cli merge /local "$win\\local.html" /remote "$win\\remote.html" /lastmerge "$win\\unedited.html" \
    --conflicts both > "$work/decisions" 2> "$work/summary" || rc=$?
want=$(node -p "require(process.argv[1]).exit" "$trio/expected.json")
check "three-file merge exit $rc, expected $want: $(cat "$work/summary")" [ "$rc" = "$want" ]
check "the summary names the non-ASCII local path" grep -qF "wrote \"$win\\local.html\"" "$work/summary"
check "the decisions printed are the expected ones" diff <(cut -f2- "$work/decisions" | LC_ALL=C sort) \
    <(node -e 'process.stdout.write(require(process.argv[1]).decisions)' "$trio/expected.json" | LC_ALL=C sort)
check "TiddlyWiki reads the merged local file as expected" node "$here/../tw5/trios.js" check "$trio" "$dir/local.html"
check "the remote file holds the merged wiki" cmp -s "$dir/local.html" "$dir/remote.html"
check "the unedited copy holds the merged wiki" cmp -s "$dir/local.html" "$dir/unedited.html"
check "the remote file is marked read-only" [ "$(stat -c %A "$dir/remote.html" | tr -cd w)" = "" ]
check "no file is left besides the three: $(ls "$dir")" [ "$(ls "$dir" | wc -l)" = 3 ]
if [ -n "$linux_cli" ]; then
    copy_trio "$work/linux"
    "$linux_cli" merge /local "$work/linux/local.html" /remote "$work/linux/remote.html" \
        /lastmerge "$work/linux/unedited.html" --conflicts both > /dev/null 2>&1
    check "the Windows program writes what the Linux one writes" cmp -s "$dir/local.html" "$work/linux/local.html"
fi
# A merge again, now that the remote file is read-only: it is replaced like any other.
rc=0
cli merge /local "$win\\local.html" /remote "$win\\remote.html" --conflicts both > /dev/null 2>&1 || rc=$?
check "a second merge over the read-only remote file, exit $rc" [ "$rc" = 0 ]

# --- An encrypted trio: the password from a file with a Windows path, the result encrypted again ----
enc=$work/trios/encrypted
dir="$work/encrypted ☕"
rm -rf "$dir" && mkdir -p "$dir" && cp "$enc"/{local,remote,unedited}.html "$work/trios/encrypted.password" "$dir"/
win=$(winepath -w "$dir")
rc=0
cli merge /local "$win\\local.html" /remote "$win\\remote.html" /lastmerge "$win\\unedited.html" \
    --conflicts both --password-file "$win\\encrypted.password" > /dev/null 2> "$work/summary" || rc=$?
want=$(node -p "require(process.argv[1]).exit" "$enc/expected.json")
check "encrypted: exit $rc, expected $want: $(cat "$work/summary")" [ "$rc" = "$want" ]
check "encrypted: the merged wiki is encrypted again" grep -q '<pre id="encryptedStoreArea"' "$dir/local.html"
check "encrypted: TiddlyWiki decrypts and reads it as expected" node "$here/../tw5/trios.js" check "$enc" "$dir/local.html"

# --- --out with a Windows path: an interrupted save's leftover beside FILE is named and removed ------
dir="$work/out ☕"
copy_trio "$dir"
echo x > "$dir/out.html.korvane-12.tmp" && touch -d '11 minutes ago' "$dir/out.html.korvane-12.tmp"
rc=0
cli merge /local "$win\\local.html" /remote "$win\\remote.html" /lastmerge "$win\\unedited.html" \
    --conflicts both --out "$win\\out.html" > /dev/null 2> "$work/err" || rc=$?
check "--out: exit $rc, expected $want" [ "$rc" = "$want" ]
check "--out: the leftover is named: $(cat "$work/err")" grep -qF "Removed \"$win\\out.html.korvane-12.tmp\"" "$work/err"
check "--out: the leftover is gone, the wiki written: $(ls "$dir")" [ "$(ls "$dir" | tr '\n' ' ')" = "local.html out.html remote.html unedited.html " ]

# --- A file held open by another program: the save stops and nothing changes ---------------------
# ROLE SHARING: the file of ROLE held open, sharing nothing or only reading.
for held in "local none" "local read" "remote read" "unedited read"; do
    set -- $held
    dir="$work/held-$1-$2 ✓"
    copy_trio "$dir"
    (cd "$dir" && md5sum local.html remote.html unedited.html > "$work/before")
    wine "$build/korvane_hold_open.exe" "$win\\$1.html" "$2" "$win\\release" > "$work/hold" 2>&1 &
    holder=$!
    for _ in $(seq 300); do grep -q held "$work/hold" && break; sleep 0.1; done
    rc=0
    cli merge /local "$win\\local.html" /remote "$win\\remote.html" /lastmerge "$win\\unedited.html" \
        --conflicts both > /dev/null 2> "$work/err" || rc=$?
    touch "$dir/release"
    wait "$holder"
    check "$held: exit $rc, expected 2" [ "$rc" = 2 ]
    check "$held: the message names the file: $(cat "$work/err")" grep -qF "\"$win\\$1.html\"" "$work/err"
    check "$held: the message says why" grep -qF "open in another program that does not share it" "$work/err"
    check "$held: the message says that no file was changed" grep -qF "No file was changed." "$work/err"
    check "$held: every file is as it was" bash -c "cd '$dir' && md5sum --quiet -c '$work/before'"
    check "$held: no file is left behind: $(ls "$dir")" [ "$(ls "$dir" | wc -l)" = 4 ]
done

echo "wine: $passed passed, $failed failed"
[ "$failed" = 0 ]
