# Helpers of the tests that drive the desktop program's windows on a virtual display, on Linux and
# under wine; sourced by them.
#   in_virtual_display SCRIPT ARG... [-- TOOL...]  runs SCRIPT ARG... again inside xvfb-run (once), after
#                      checking that xvfb-run, openbox, xdotool and each TOOL are installed
#   save_and_answer PID    presses Ctrl+S and Enter until the program PID ends: the review window is
#                          saved and each question after it gets its default answer

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
