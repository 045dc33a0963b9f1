# Helpers of the tests that drive the desktop program's windows on a virtual display, on Linux and
# under wine; sourced by them.
#   in_virtual_display SCRIPT ARG... [-- TOOL...]  runs SCRIPT ARG... again inside xvfb-run (once), after
#                      checking that xvfb-run, openbox, xdotool and each TOOL are installed
#   save_and_answer PID    presses Ctrl+S and Enter until the program PID ends: the review window is
#                          saved and each question after it gets its default answer
#   click_main WINDOW BUTTON  clicks the main window's About or Merge Files button (they stand at the
#                          window's lower right corner, in a layout of fixed size)
#   answer_until TITLE [KEY]  waits for a window other than TITLE to be active, then presses KEY (if
#                          given) and Enter until the window TITLE is active again: every dialog and
#                          question of a merge gets its default answer (with KEY ctrl+s, the review
#                          window is saved first); fails after two minutes

in_virtual_display() {
    [ -z "${KORVANE_IN_XVFB:-}" ] || return 0
    local script=$1 args=() tool
    shift
    while [ $# -gt 0 ] && [ "$1" != -- ]; do args+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    for tool in xvfb-run openbox xdotool "$@"; do
        command -v "$tool" > /dev/null || { echo "FAIL: $tool is not installed (test.sh installs it)" >&2; exit 1; }
    done
    KORVANE_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$script" "${args[@]}"
}

save_and_answer() {
    local _
    for _ in $(seq 200); do
        kill -0 "$1" 2> /dev/null || return 0
        sleep 0.6
        xdotool key ctrl+s 2> /dev/null || true
        sleep 0.6
        xdotool key Return 2> /dev/null || true
    done
}

click_main() {
    local WIDTH HEIGHT X Y SCREEN WINDOW x
    eval "$(xdotool getwindowgeometry --shell "$1")"
    case $2 in About) x=$((WIDTH - 167)) ;; *) x=$((WIDTH - 69)) ;; esac
    xdotool windowactivate --sync "$1" mousemove --window "$1" "$x" $((HEIGHT - 34)) click 1
}

answer_until() {
    local _ name left=
    for _ in $(seq 200); do
        sleep 0.6
        name=$(xdotool getactivewindow getwindowname 2> /dev/null) || continue
        if [ "$name" != "$1" ]; then
            left=1
            [ -z "${2:-}" ] || xdotool key "$2" 2> /dev/null || true
            sleep 0.3
            xdotool key Return 2> /dev/null || true
        elif [ -n "$left" ]; then
            return 0
        fi
    done
    echo "FAIL: the window \"$1\" did not come back (last active: $name)" >&2
    return 1
}
