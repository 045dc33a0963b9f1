#!/usr/bin/env bash
# Korvane as git's merge driver, with real git: two branches change one wiki at the same time.
#   git-driver.sh KORVANE_CLI
# Sourced with KORVANE_GIT_SETUP_ONLY=1 (as git-mergetool.sh does), it stops in the repository once
# both branches are committed.
set -euo pipefail
cli=$1
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
export HOME=$work GIT_CONFIG_NOSYSTEM=1 SOURCE_DATE_EPOCH=1765000000 TZ=UTC
unset XDG_CONFIG_HOME  # the global configuration and attributes are those under $HOME
fail() { echo "FAIL: $*" >&2; exit 1; }
# wiki TITLE=BODY...: wiki.html, an early-format wiki holding those tiddlers; has TITLE BODY.
wiki() {
    { printf '<html><body>\r\n<div id="storeArea">\r\n'
      for pair; do printf '<div tiddler="%s" modified="200601011200">%s</div>\r\n' "${pair%%=*}" "${pair#*=}"; done
      printf '</div>\r\n</body></html>\r\n'; } > wiki.html
}
has() { grep -q "\"$1\"[^>]*>$2<" wiki.html || fail "$1 is not $2"; }
titles() { "$cli" list wiki.html | cut -f2 | sort | tr '\n' ' '; }
commit() { git add -A && git commit -qm "$1"; }
cd "$work" && git init -q -b main repo && cd repo && git config user.name Ann && git config user.email a@b.org
"$cli" git-setup --apply > /dev/null 2> "$work/setup.err"
grep -q "repo/.gitattributes. Commit .gitattributes, so that the other clones" "$work/setup.err" || fail "$(cat "$work/setup.err")"
wiki StoryList=a Keep=k Edit1=e Edit2=e Doomed=d && printf 'one\ntwo\nthree\nfour\n' > plain.html && commit base
git checkout -qb one && wiki StoryList=b Keep=k Edit1=e1 Edit2=e Add1=x && sed -i s/one/ONE/ plain.html && commit one
git checkout -q main && wiki StoryList=c Keep=k Edit1=e Edit2=e2 Doomed=d2 Add2=y && sed -i s/four/FOUR/ plain.html && commit two
[ -n "${KORVANE_GIT_SETUP_ONLY:-}" ] && return 0
# Both sides navigated (StoryList) and one edited what the other deleted: conflicts, kept in a whole wiki.
if git merge -q one > out.txt 2>&1; then fail "merge reported no conflict"; fi
grep -q "CONFLICT (content): Merge conflict in wiki.html" out.txt || fail "$(cat out.txt)"
[ "$(titles)" = "Add1 Add2 Doomed Edit1 Edit2 Keep StoryList StoryList (conflict 2025-12-06 05:46:40) " ] || fail "$(titles)"
has Doomed d2 && ! grep -q '<<<<<<<' wiki.html || fail "conflict markers in the wiki"
[ "$(cat plain.html)" = "$(printf 'ONE\ntwo\nthree\nFOUR')" ] || fail "plain file: $(cat plain.html)"
git merge --abort
# Without a conflict, git merge completes on its own.
git checkout -q one && wiki StoryList=c Keep=k Edit1=e1 Edit2=e Doomed=d2 Add1=x && commit "same story"
git checkout -q main && git merge -q -m merged one 2> /dev/null || fail "clean merge reported a conflict"
[ "$(titles)" = "Add1 Add2 Doomed Edit1 Edit2 Keep StoryList " ] && has Edit1 e1 && has Edit2 e2 || fail "$(titles)"
# A wiki on one side and a file that is none on the other (empty, a plain page, a wiki cut before its
# store): ours stays as it was and git marks the file conflicted. A base that is no wiki while both
# sides are: merged without it. A wiki never gets a conflict marker.
make() {
    case $1 in
        w*) wiki "T=$1" && mv wiki.html w.html ;;
        empty) : > w.html ;;
        plain) printf '<p>one</p>\n<p>two</p>\n' > w.html ;;
        cut) printf '<html><body>\r\n<div id="stor' > w.html ;;
    esac
}
for mix in "plain wA wB" "empty wA wB" "wU empty wB" "wU wA plain" "wU cut wB" "wU wA empty"; do
    set -- $mix
    git checkout -q -B base main && make "$1" && commit "$mix base"
    git checkout -q -B theirs base && make "$3" && commit "$mix theirs"
    git checkout -q -B ours base && make "$2" && commit "$mix ours" && cp w.html "$work/ours"
    if git merge -q theirs > "$work/out" 2>&1; then fail "$mix: merge reported no conflict"; fi
    ! grep -q '<<<<<<<' w.html || fail "$mix: conflict markers: $(cat w.html)"
    case $1 in
        wU) cmp -s w.html "$work/ours" && grep -q "version is a TiddlyWiki and" "$work/out" || fail "$mix: $(cat "$work/out")" ;;
        *) [ "$("$cli" list w.html | cut -f2 | tr '\n' ' ')" = "T T (conflict 2025-12-06 05:46:40) " ] &&
               { [ "$1" = empty ] || grep -q "is not a TiddlyWiki; the two versions are merged without it" "$work/out"; } ||
               fail "$mix: $(cat "$work/out")" ;;
    esac
    git merge --abort && rm -f "$work/ours"
done
# A file that is no wiki on either side gets git's line merge, its markers as long as the
# conflict-marker-size attribute says and labelled with the branches (a git older than 2.44 does not
# name them to a driver: then "ours" and "theirs").
read -r major minor < <(git version | sed 's/^git version \([0-9]*\)\.\([0-9]*\).*/\1 \2/')
if [ "$major" -gt 2 ] || [ "$minor" -ge 44 ]; then labels="HEAD friend"; else labels="ours theirs"; fi
git checkout -q -B base main && printf 'one\ntwo\nthree\n' > plain.html
echo 'plain.html conflict-marker-size=10' >> .gitattributes && commit "plain base"
git checkout -q -B friend base && sed -i s/two/TWO/ plain.html && commit "plain friend"
git checkout -q -B ours base && sed -i s/two/Two/ plain.html && commit "plain ours"
if git merge -q friend > "$work/out" 2>&1; then fail "plain: merge reported no conflict"; fi
set -- $labels
[ "$(cat plain.html)" = "$(printf 'one\n<<<<<<<<<< %s\nTwo\n==========\nTWO\n>>>>>>>>>> %s\nthree' "$1" "$2")" ] ||
    fail "plain file: $(cat plain.html)"
git merge --abort
# Two branches edit different paragraphs of one TiddlyWiki 5 tiddler, one of them tagging it too: git
# merge completes on its own, and the committed wiki holds both edits in one tiddler.
tw5() {  # tw5 MODIFIED TAGS TEXT: tw.html, a TiddlyWiki 5 page whose tiddler Journal has these fields
    printf '<!doctype html>\n<html><body>\n<script class="tiddlywiki-tiddler-store" type="application/json">[\n{"title":"$:/core","text":"{}"},\n{"title":"Journal","modified":"%s","tags":"%s","text":"%s"}\n]</script><div id="storeArea" style="display:none;"></div>\n<div id="bootKernel"></div>\n</body></html>\n' "$1" "$2" "$3" > tw.html
}
git checkout -q -B base main && tw5 20260101000000000 a 'one\n\ntwo\n\nthree' && commit "tw5 base"
git checkout -q -B friend5 base && tw5 20260102000000000 a 'ONE\n\ntwo\n\nthree' && commit "tw5 friend"
git checkout -q -B ours5 base && tw5 20260103000000000 '[[a b]] a' 'one\n\ntwo\n\nTHREE' && commit "tw5 ours"
git merge -q -m merged friend5 2> "$work/out" || fail "tw5: $(cat "$work/out")"
git show HEAD:tw.html | grep -qF '{"title":"Journal","modified":"20260103000000000","tags":"[[a b]] a","text":"ONE\n\ntwo\n\nTHREE"}' &&
    [ "$("$cli" list tw.html | cut -f2 | tr '\n' ' ')" = '$:/core Journal ' ] || fail "tw5: $(cat tw.html)"
# --no-field-merge (after --allow-deletions, when both are given) keeps the conflict copy of before.
for opts in --no-field-merge "--allow-deletions --no-field-merge"; do
    for b in base ours5 friend5; do git show "$b:tw.html" > "$work/$b"; done
    st=0 && "$cli" merge-driver $opts "$work/base" "$work/ours5" "$work/friend5" tw.html 2> /dev/null || st=$?
    [ $st = 1 ] && [ "$("$cli" list "$work/ours5" | cut -f2 | tr '\n' ' ')" = '$:/core Journal Journal (conflict 2025-12-06 05:46:40) ' ] ||
        fail "tw5 $opts: $st"
done
# A side that deletes most of the wiki stops the driver, and the refusal names the wiki (git's %P), not
# git's temporary copy of it.
many=$(for i in $(seq 21); do printf 'T%s=x ' "$i"; done)
git checkout -q -B base main && wiki $many && commit "many"
git checkout -q -B gone base && wiki T1=x && commit "most gone"
git checkout -q -B ours base && wiki $many Mine=y && commit "one more"
if git merge -q gone > "$work/out" 2>&1; then fail "mass deletion: merge reported no conflict"; fi
grep -qF 'Error: The remote file "wiki.html" would delete 20 of the 21 tiddlers' "$work/out" &&
    ! grep -q merge_file "$work/out" || fail "mass deletion: $(cat "$work/out")"
git merge --abort
# plain SIZE OURS THEIRS [ARG...]: the driver given ARG after its four paths merges a conflicting trio of
# plain files with markers of SIZE, labelled OURS and THEIRS; a label left as git's placeholder is none.
plain() {
    local size=$1 l=$2 r=$3 st=0 m=() c
    shift 3
    printf 'a\nb\n' > "$work/b" && printf 'a\nB\n' > "$work/a" && printf 'a\nbb\n' > "$work/t"
    "$cli" merge-driver "$work/b" "$work/a" "$work/t" p.html "$@" || st=$?
    for c in '<' '=' '>'; do m+=("$(printf "%${size}s" '' | tr ' ' "$c")"); done
    [ $st = 1 ] && [ "$(cat "$work/a")" = "$(printf 'a\n%s %s\nB\n%s\nbb\n%s %s' "${m[0]}" "$l" "${m[1]}" "${m[2]}" "$r")" ] ||
        fail "merge-driver ... $*: $st $(cat "$work/a")"
}
plain 7 ours theirs
plain 12 ours theirs 12
plain 3 main friend 3 main friend
plain 3 ours theirs 3 %X %Y
# Words that git never writes there are bad usage, and nothing is written; a first word
# --allow-deletions before three paths is the base path, as it always was.
printf 'a\nB\n' > "$work/a"
for bad in "0 main friend" 7x -3 99999999999 "7 main" "7 main friend x"; do
    st=0 && "$cli" merge-driver "$work/b" "$work/a" "$work/t" p.html $bad 2> "$work/err" || st=$?
    [ $st = 2 ] && grep -q '^Usage:' "$work/err" && [ "$(cat "$work/a")" = "$(printf 'a\nB')" ] ||
        fail "merge-driver ... $bad: $st $(cat "$work/err")"
done
st=0 && "$cli" merge-driver 2> "$work/err" || st=$?
[ $st = 2 ] && grep -q '^Usage:' "$work/err" || fail "merge-driver alone: $st"
st=0 && "$cli" merge-driver --allow-deletions "$work/a" "$work/t" p.html 2> "$work/err" || st=$?
[ $st = 2 ] && grep -q '^Error: Could not read the file "--allow-deletions"' "$work/err" || fail "four words: $st"
# git-setup --global, from outside any repository: the driver and the merge tool go into the global
# configuration, the attributes line into ~/.config/git/attributes, or into core.attributesFile when
# that is set, and only once.
cd "$work" && exe=$(readlink -f "$cli")
"$cli" git-setup --global --apply > setup.txt || fail "git-setup --global --apply"
grep -qxF "$(printf '\tdriver = %s merge-driver %%O %%A %%B %%P %%L %%X %%Y' "$exe")" setup.txt || fail "$(cat setup.txt)"
[ "$(git config --global merge.korvane.driver)" = "$exe merge-driver %O %A %B %P %L %X %Y" ] &&
    [ "$(git config --global merge.korvane.name)" = "Korvane: TiddlyWiki files, tiddler by tiddler" ] &&
    [ "$(git config --global merge.korvane.recursive)" = binary ] &&
    [ "$(git config --global mergetool.korvane.trustExitCode)" = true ] || fail "$(cat .gitconfig)"
case $(git config --global mergetool.korvane.cmd) in
    *korvane' /local "$LOCAL" /remote "$REMOTE" /lastmerge "$BASE" /output "$MERGED"') ;;
    *) fail "mergetool: $(git config --global mergetool.korvane.cmd)" ;;
esac
[ "$(cat .config/git/attributes)" = "*.html merge=korvane" ] || fail "attributes: $(cat .config/git/attributes)"
printf '*.txt text' > attrs && git config --global core.attributesFile '~/attrs'
"$cli" git-setup --global --apply > /dev/null && "$cli" git-setup --global --apply > /dev/null || fail "again"
[ "$(cat attrs)" = "$(printf '*.txt text\n*.html merge=korvane')" ] && [ "$(wc -l < .config/git/attributes)" = 1 ] ||
    fail "core.attributesFile: $(cat attrs)"
