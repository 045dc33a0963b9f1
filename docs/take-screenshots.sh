#!/usr/bin/env bash
# Takes the screenshots of the README and the user guide on a virtual display: the main window on the
# sample trio, the conflict dialog of a tiddler that both sides changed, maximized and at its designed
# size (and a copy of that with its five boxes numbered, for docs/user-guide.md), and the review window
# on the TiddlyWiki 5 sample trio with every difference listed.
# Needs: a Release build in build/ (./run.sh builds one), xvfb, xauth, openbox, xdotool, imagemagick.
#   xvfb-run -s "-screen 0 1280x1024x24" docs/take-screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."

export KORVANE_CONFIG_DIR=$(mktemp -d)   # the demo's paths are not remembered for the real user
demo=$(mktemp -d)
build/korvane --write-demo "$demo"
openbox >/dev/null 2>&1 &
sleep 1
build/korvane /local "$demo/local.html" /remote "$demo/remote.html" /lastmerge "$demo/unedited.html" &
korvane=$!
sleep 2

main=$(xdotool search --sync --name '^Korvane 1\.0\.2$' | head -1)
import -window "$main" -frame docs/main-window.png

# Merge Files, then settle the first tiddler with its recommended (focused) button.
xdotool mousemove --window "$main" 450 155 click 1
sleep 2
xdotool key Return
sleep 2
import -window root docs/conflict-dialog-maximized.png

# Restore the dialog to its normal placement: the designed size, centred over the main window.
xdotool mousemove 640 10 click --repeat 2 --delay 80 1
sleep 2
dialog=$(xdotool search --name '^Merging item 3 of 11$' | head -1)
import -window "$dialog" -frame docs/conflict-dialog.png
# The labelled copy: a white margin on the left, and in it a numbered red circle with a line to each
# of the five boxes (their middles at the designed size: 68, 157, 245, 332 and 421 pixels down).
convert docs/conflict-dialog.png -background white -gravity northwest -splice 40x0 \
    -stroke '#c0102a' -strokewidth 2 \
    -draw 'line 30,68 52,68' -draw 'line 30,157 52,157' -draw 'line 30,245 52,245' \
    -draw 'line 30,332 52,332' -draw 'line 30,421 52,421' \
    -fill '#c0102a' -draw 'circle 17,68 17,55' -draw 'circle 17,157 17,144' -draw 'circle 17,245 17,232' \
    -draw 'circle 17,332 17,319' -draw 'circle 17,421 17,408' \
    -stroke none -fill white -font DejaVu-Sans-Bold -pointsize 16 \
    -annotate +12+58 1 -annotate +12+147 2 -annotate +12+235 3 -annotate +12+322 4 -annotate +12+411 5 \
    -alpha off docs/conflict-dialog-labelled.png

kill "$korvane"

build/korvane /review /local "$demo/tw5-local.html" /remote "$demo/tw5-remote.html" \
    /lastmerge "$demo/tw5-unedited.html" &
korvane=$!
sleep 2
main=$(xdotool search --sync --name '^Korvane 1\.0\.2$' | head -1)
xdotool mousemove --window "$main" 450 155 click 1
review=$(xdotool search --sync --name '^Review the merge$' | head -1)
sleep 1
xdotool key alt+a
sleep 1
import -window "$review" -frame docs/review-window.png
kill "$korvane"
rm -rf "$demo" "$KORVANE_CONFIG_DIR"
