#!/usr/bin/env bash
# The desktop program as git's merge tool, with real git, on a virtual display: the review window opens
# with every difference settled by default, Ctrl+S saves it, and the Enter key answers Yes to what the
# save will do and closes the message that says where the merged wiki is.
#   git-mergetool.sh KORVANE KORVANE_CLI      (needs xvfb-run, openbox and xdotool)
set -euo pipefail
korvane=$1 cli=$2
source "$(dirname "$0")/../support/virtual-display.sh"
in_virtual_display "$0" "$@"
# The repository of the merge driver's test, both branches committed.
KORVANE_GIT_SETUP_ONLY=1 source "$(dirname "$0")/git-driver.sh" "$cli"
trap 'kill %1 2> /dev/null || true; rm -rf "$work"' EXIT
export KORVANE_CONFIG_DIR=$work/settings QT_QPA_PLATFORM=xcb
# The desktop libraries (D-Bus, fontconfig) keep memory to the end; leaks are checked by the unit tests.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
openbox > /dev/null 2>&1 &
# A plain conflict in the wiki, so that the merge tool is what settles it; plain.html merges as text.
echo 'wiki.html merge=binary' > .git/info/attributes
git config mergetool.keepBackup false
git merge -q one > /dev/null 2>&1 && fail "merge reported no conflict"
git mergetool --tool=korvane --no-prompt wiki.html > tool.log 2>&1 &
tool=$!
save_and_answer "$tool"
wait "$tool" || fail "git mergetool failed: $(cat tool.log)"
# The review's defaults lose no one's edit: both navigations stay (the other as a conflict copy), and
# the tiddler one side edited and the other deleted stays with its edit.
list=$("$cli" list wiki.html | cut -f2 | sed 's/ (conflict .*)/ (conflict)/' | tr '\n' ' ')
[ "$list" = "StoryList StoryList (conflict) Keep Edit1 Edit2 Doomed Add2 Add1 " ] || fail "merged titles: $list"
has Edit1 e1 && has Edit2 e2 && has Doomed d2
[ -z "$(git diff --name-only --diff-filter=U)" ] || fail "git still sees a conflict"
git commit -qm merged && echo "merged through git mergetool"
