#!/usr/bin/env bash
# korvane.exe under wine on a virtual display: it says its version; it opens its main window on a
# sample trio given with Windows paths (found by its title), and closing the window ends it; from its
# main window it merges the sample trios, the early format and TiddlyWiki 5, through the conflict
# dialogs (Enter answers each) and the early one through the review window, and writes what the
# Linux program writes driven alike; the About box starts the system information tool that the
# registry names, or says that there is none, and hands its web page to the shell; as git's merge
# tool it merges a TiddlyWiki 5 trio in a folder whose name is not ASCII through the review window
# (Ctrl+S saves, Enter answers each question), and TiddlyWiki reads the merged wiki back.
#   tests/windows/desktop-wine.sh BUILD_DIR [SCREENSHOTS]
# BUILD_DIR holds korvane.exe. KORVANE_LINUX_DESKTOP names the Linux program to compare with (without
# it the results are checked alone). With SCREENSHOTS (a folder) the screens with the main window, a
# conflict dialog and the review window are saved there.
# Needs xvfb-run, openbox, xdotool, wine, node and TiddlyWiki as test.sh installs it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
source "$here/support/virtual-display.sh"
in_virtual_display "$0" "$@" -- wine node
build=$(cd "$1" && pwd)
shots=${2:+$(realpath -m "$2")}
export WINEDEBUG=-all KORVANE_TW5_DIR=${KORVANE_TW5_DIR:-$HOME/.cache/korvane-tw5}
# The windows go to the virtual display, not to the offscreen platform that the window tests use.
unset QT_QPA_PLATFORM
# A wine server that earlier tests started without a display would show no window: it is ended, and
# the next wine program starts one on the virtual display.
wineserver -k 2> /dev/null || true
wineserver -w 2> /dev/null || true
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
[ -z "$shots" ] || { mkdir -p "$shots" && import -window root "$shots/windows-main-window.png"; }
# The window manager's Alt+F4 asks the window to close, as a click on its close button does.
xdotool windowactivate --sync "$window" key alt+F4 2> /dev/null || true
for _ in $(seq 40); do kill -0 "$app" 2> /dev/null && sleep 0.5; done
kill -0 "$app" 2> /dev/null && fail "closing the main window did not end korvane.exe"
echo "korvane.exe opened its main window under wine"

# --- From the main window: the sample trios through the dialogs and the review window --------------
title="Korvane $version"
# merge_in_main PROGRAM FOLDER PREFIX REVIEW: PROGRAM (wine or linux) merges FOLDER/PREFIX{local,
# remote,unedited}.html from its main window, through the review window when REVIEW is 1.
merge_in_main() {
    local program=$1 dir=$2 at=$2 window= _ run settings
    [ "$program" = wine ] && at=$(winepath -w "$dir")
    # Settings of their own, with the review box ticked or not (Korvane.ini on Windows).
    settings=$(mktemp -d -p "$work") && mkdir "$settings/Korvane"
    printf '[options]\nreview=%s\n' "$([ "$4" = 1 ] && echo true || echo false)" |
        tee "$settings/Korvane/Korvane.ini" > "$settings/Korvane/Korvane.conf"
    KORVANE_CONFIG_DIR=$settings run_program "$program" /local "$at/${3}local.html" \
        /remote "$at/${3}remote.html" /lastmerge "$at/${3}unedited.html" > "$work/flow.log" 2>&1 &
    run=$!
    for _ in $(seq 120); do
        window=$(xdotool search --onlyvisible --name "^$title\$" 2> /dev/null | head -n 1) || true
        [ -n "$window" ] && break
        sleep 0.5
    done
    [ -n "$window" ] || fail "$program: no main window for $3 (log: $(cat "$work/flow.log"))"
    sleep 2
    click_main "$window" "Merge Files"
    if [ -n "$shots" ] && [ "$program" = wine ]; then
        sleep 4 && import -window root "$shots/windows-$([ "$4" = 1 ] && echo review-window || echo conflict-dialog)${3:+-${3%-}}.png"
    fi
    answer_until "$title" "$([ "$4" = 1 ] && echo ctrl+s)" || fail "$program: the merge of $3 did not end"
    xdotool windowactivate --sync "$window" key alt+F4 2> /dev/null || true
    for _ in $(seq 40); do kill -0 "$run" 2> /dev/null && sleep 0.5; done
    kill -0 "$run" 2> /dev/null && fail "$program: closing the main window did not end it"
    cmp -s "$dir/${3}local.html" "$dir/${3}remote.html" || fail "$program: $3 remote.html differs from local.html"
}
run_program() {
    local p=$1
    shift
    if [ "$p" = wine ]; then korvane "$@"; else ASAN_OPTIONS=detect_leaks=0 "$KORVANE_LINUX_DESKTOP" "$@"; fi
}
for flow in "dialogs: 0" "dialogs:tw5- 0" "review: 1"; do
    prefix=${flow#*:} review=${prefix#* } prefix=${prefix% *}
    programs=(wine) && [ -z "${KORVANE_LINUX_DESKTOP:-}" ] || programs+=(linux)
    for program in "${programs[@]}"; do
        rm -rf "$work/$program" && mkdir -p "$work/$program"
        korvane --write-demo "$(winepath -w "$work/$program")" > /dev/null
        merge_in_main "$program" "$work/$program" "$prefix" "$review"
    done
    grep -q "Holiday photos" "$work/wine/${prefix}local.html" || fail "the friend's new tiddler is not in the merge of $flow"
    # Enter keeps your version in each dialog; the review window keeps both where both sides edited.
    copies=$(grep -c "(conflict " "$work/wine/${prefix}local.html" || true)
    { [ "$review" = 1 ] && [ "$copies" -gt 0 ]; } || { [ "$review" = 0 ] && [ "$copies" = 0 ]; } ||
        fail "the merge of $flow did not keep what its defaults keep ($copies lines with a conflict copy)"
    # The same bytes, but for the time in the titles of conflict copies.
    [ -z "${KORVANE_LINUX_DESKTOP:-}" ] || cmp <(sed 's/(conflict [^)]*)/(conflict)/g' "$work/wine/${prefix}local.html") \
        <(sed 's/(conflict [^)]*)/(conflict)/g' "$work/linux/${prefix}local.html") ||
        fail "korvane.exe and the Linux program merged $flow differently"
    if [ "$prefix" = tw5- ]; then
        node "$here/tw5/twload.js" --titles "$work/wine/tw5-local.html" > /dev/null || fail "TiddlyWiki cannot read the merge of $flow"
    fi
    echo "korvane.exe merged the $([ -n "$prefix" ] && echo "TiddlyWiki 5" || echo early-format) sample trio through its ${flow%%:*} under wine"
done

# --- The About box: the system information tool ---------------------------------------------------
msinfo='HKLM\Software\Microsoft\Shared Tools\MSINFO'
wine reg delete "$msinfo" /f > /dev/null 2>&1 || true
# Wine's shell hands a web address to xdg-open; this one notes the address it was given.
mkdir -p "$work/bin"
printf '#!/bin/sh\necho "$*" > "%s/opened"\n' "$work" > "$work/bin/xdg-open" && chmod +x "$work/bin/xdg-open"
PATH=$work/bin:$PATH korvane > "$work/about.log" 2>&1 &
app=$!
window=
for _ in $(seq 120); do
    window=$(xdotool search --onlyvisible --name "^$title\$" 2> /dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.5
done
[ -n "$window" ] || fail "no main window for the About box"
sleep 1
click_main "$window" About
for _ in $(seq 40); do xdotool search --onlyvisible --name "^About Korvane\$" > /dev/null 2>&1 && break; sleep 0.5; done
about=$(xdotool search --onlyvisible --name "^About Korvane\$" | head -n 1) || fail "no About box"
# No tool named: a message says so (a window of its own), Enter closes it.
xdotool windowactivate --sync "$about" key alt+s
sleep 2
said=$(xdotool getactivewindow getwindowname)
[ "$said" = Korvane ] || fail "System Info without a tool opened \"$said\", not the message"
xdotool key Return
# The registry names a tool: it starts (wine's notepad stands in for it).
wine reg add "$msinfo" /v PATH /d 'C:\windows\system32\notepad.exe' /f > /dev/null 2>&1
xdotool windowactivate --sync "$about" key alt+s
tool=
for _ in $(seq 40); do tool=$(xdotool search --onlyvisible --name "Notepad" 2> /dev/null | head -n 1) && [ -n "$tool" ] && break; sleep 0.5; done
[ -n "$tool" ] || fail "System Info did not start the tool the registry names"
xdotool windowactivate --sync "$tool" key alt+F4 2> /dev/null || true
wine reg delete "$msinfo" /f > /dev/null 2>&1 || true
# The web page button (after OK and System Info in the tab order) opens the page through the shell.
xdotool windowactivate --sync "$about" key Tab Tab space 2> /dev/null || true
for _ in $(seq 30); do [ -s "$work/opened" ] && break; sleep 0.5; done
case $(cat "$work/opened" 2> /dev/null) in http*://*) ;; *) fail "the web page button opened nothing through the shell" ;; esac
xdotool windowactivate --sync "$about" key Escape 2> /dev/null || true
xdotool windowactivate --sync "$window" key alt+F4 2> /dev/null || true
for _ in $(seq 40); do kill -0 "$app" 2> /dev/null && sleep 0.5; done
echo "korvane.exe's About box starts the tool the registry names, says when there is none, and opens $(cat "$work/opened")"

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
