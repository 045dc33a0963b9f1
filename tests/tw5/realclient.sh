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
export XDG_DATA_HOME=$work/data  # the merges keep their backups here, not in the user's folder
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

# An encrypted trio: a wrong password changes nothing; the merge of the three files (the password on
# standard input) gives three wikis that TiddlyWiki decrypts; no file under the trio's folder or the
# temporary folder holds the password, nor, when the result is encrypted, a tiddler's text.
encrypted() {
    local dir=$work/$1 copy=$work/$1-saved password named sums rc=0
    password=$(head -n 1 "$work/$1.password")
    named=$dir/remote.html
    grep -q '<pre id="encryptedStoreArea"' "$dir/local.html" && named=$dir/local.html
    sums=$(cat "$dir"/*.html | md5sum)
    "$cli" merge /local "$dir/local.html" /remote "$dir/remote.html" /lastmerge "$dir/unedited.html" \
        --out "$dir/wrong.html" --password-file <(echo wrong) > /dev/null 2> "$dir/wrong.err" || rc=$?
    [ "$rc" = 2 ] && [ "$(cat "$dir/wrong.err")" = "The password does not open $named" ] && [ ! -e "$dir/wrong.html" ] &&
        [ "$(cat "$dir"/*.html | md5sum)" = "$sums" ] ||
        fail "$1: a wrong password gave exit $rc, $(cat "$dir/wrong.err"), or changed a file"
    cp -r "$dir" "$copy" && rm -rf "$copy/tmp" "$copy/out.html" && mkdir "$copy/tmp"
    rc=0
    TMPDIR=$copy/tmp "$cli" merge /local "$copy/local.html" /remote "$copy/remote.html" /lastmerge "$copy/unedited.html" \
        --conflicts both --password-file - < "$work/$1.password" > /dev/null 2> "$copy/summary" || rc=$?
    [ "$rc" = 1 ] || fail "$1: the merge of the three files gave exit $rc: $(cat "$copy/summary")"
    for f in local remote unedited; do
        node "$here/trios.js" check "$copy" "$copy/$f.html" > /dev/null || fail "$1: the saved $f.html"
    done
    # expected.json is the test's own, and holds both.
    grep -rlF --exclude=expected.json -e "$password" "$dir" "$copy" && fail "$1: the password is in the files above"
    [ "$named" = "$dir/local.html" ] && grep -rlF --exclude=expected.json -e "Ann's way" -e "café ☕" "$dir" "$copy" &&
        fail "$1: decrypted text is in the files above"
    echo "$1: checked a wrong password, the save of three files, and what is left on the disk"
    [ "$1" = encrypted ] && git_driver "$1"
}

# The trio as two branches of a git repository, merged by git with Korvane as its merge driver, which
# asks git's korvane.passwordCommand for the password of the wiki's path.
git_driver() {
    local dir=$work/$1 repo=$work/$1-git
    git init -q -b main "$repo" && cd "$repo" && git config user.name Ann && git config user.email a@b.org &&
        "$cli" git-setup --apply > /dev/null 2>&1 &&
        printf '#!/bin/sh
[ "$1" = wiki.html ] && cat "%s"
' "$work/$1.password" > "$work/askpass" &&
        chmod +x "$work/askpass" && git config korvane.passwordCommand "$work/askpass" &&
        cp "$dir/unedited.html" wiki.html && git add -A && git commit -qm base &&
        git checkout -qb friend && cp "$dir/remote.html" wiki.html && git commit -qam friend &&
        git checkout -q main && cp "$dir/local.html" wiki.html && git commit -qam ours ||
        { fail "$1: the git repository could not be made"; cd "$here"; return; }
    git merge -q friend > "$repo.out" 2>&1
    grep -q "CONFLICT (content): Merge conflict in wiki.html" "$repo.out" &&
        node "$here/trios.js" check "$dir" "$repo/wiki.html" > /dev/null ||
        fail "$1: git's merge with the password command: $(head -c 400 "$repo.out")"
    cd "$here"
    echo "$1: merged by git with korvane.passwordCommand"
}

while read -r name; do
    dir=$work/$name
    out=$dir/out.html
    want=$(node -p "require(process.argv[1]).exit" "$dir/expected.json")
    base=()
    [ -f "$dir/unedited.html" ] && base=(/lastmerge "$dir/unedited.html")
    pw=()
    [ -f "$work/$name.password" ] && pw=(--password-file "$work/$name.password")
    mkdir "$dir/tmp"
    rc=0
    TMPDIR=$dir/tmp "$cli" merge /local "$dir/local.html" /remote "$dir/remote.html" "${base[@]}" --out "$out" \
        --conflicts both "${pw[@]}" > "$dir/decisions" 2> "$dir/summary" || rc=$?
    [ "$rc" = "$want" ] || fail "$name: korvane-cli merge exit $rc, expected $want: $(cat "$dir/summary")"
    diff <(cut -f2- "$dir/decisions" | LC_ALL=C sort) <(node -e 'process.stdout.write(require(process.argv[1]).decisions)' \
        "$dir/expected.json" | LC_ALL=C sort) || fail "$name: the decisions printed (<) are not the expected ones (>)"
    for f in "$dir"/{local,remote,unedited,out}.html; do
        # korvane-cli list cannot read an encrypted wiki.
        [ -f "$f" ] && ! grep -q '<pre id="encryptedStoreArea"' "$f" && lists_same "$f"
    done
    node "$here/trios.js" check "$dir" "$out" || fail "$name: the merged wiki"
    node "$here/trios.js" said "$dir" "$dir/summary" || fail "$name: the lines on the inert copies"
    case $name in json | div) boots "$out" "Shared plan" ;; esac
    [ ${#pw[@]} -gt 0 ] && encrypted "$name"
done < "$work/names"
# Without an unedited copy: only the save that can be where both sides started is taken (named on the
# first line of standard error), or none, and the merged wiki keeps every edit of both sides.
mkdir "$work/layouts"
node "$here/trios.js" layouts "$work/layouts" > "$work/layout-names" || fail "the folders of earlier saves could not be made"
while read -r name; do
    dir=$work/layouts/$name
    base=$(node -p "require(process.argv[1]).base" "$dir/expected.json")
    want=$(node -p "require(process.argv[1]).exit" "$dir/expected.json")
    rc=0
    "$cli" merge /local "$dir/local.html" /remote "$dir/remote.html" --out "$dir/out.html" --conflicts both \
        > /dev/null 2> "$dir/summary" || rc=$?
    taken=$(sed -n 's/^Unedited copy: \(.*\), saved .*/\1/p' "$dir/summary")
    [ "$rc" = "$want" ] && [ "$taken" = "$base" ] ||
        fail "$name: exit $rc (expected $want), took \"$taken\" (expected \"$base\"): $(cat "$dir/summary")"
    node "$here/trios.js" check "$dir" "$dir/out.html" || fail "$name: the merged wiki"
done < "$work/layout-names"
[ "$status" = 0 ] && echo "All TiddlyWiki 5 real-client checks passed."
exit "$status"
