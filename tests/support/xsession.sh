# shellcheck shell=bash
# Shell functions for the checks that start the program on X and look at its window (sourced):
#   xsession_enter SCRIPT [ARGUMENT...]  runs the calling script again on a private X server of
#                                        x-session's, unless it already runs on one
#   xsession_await_window [PID]          waits for the window titled "Tavrilo" (while PID runs),
#                                        checks its client area's size, and prints its window id
#   xsession_click WINDOW MEANING        clicks the control of that meaning (window.json)
#   xsession_exit WINDOW [PID]           clicks Exit and waits for the window to go and for PID to
#                                        end with status 0
xsession_support=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

xsession_enter() {
    [ -n "${TAVRILO_X_SESSION:-}" ] || exec "$xsession_support/x-session" "$@"
}

xsession_await_window() {
    local pid=${1:-} window='' WIDTH HEIGHT size
    for _ in $(seq 600); do
        if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
            echo "the program ended before it showed a window" >&2
            return 1
        fi
        window=$(xdotool search --onlyvisible --name '^Tavrilo$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || { echo "the program showed no window titled Tavrilo" >&2; return 1; }
    eval "$(xdotool getwindowgeometry --shell "$window")"
    size=$("$xsession_support/window.py" size)
    [ "${WIDTH}x$HEIGHT" = "$size" ] || { echo "the window is ${WIDTH}x$HEIGHT, not $size" >&2; return 1; }
    echo "$window"
}

xsession_click() {
    # shellcheck disable=SC2046 # the control's x and y
    xdotool mousemove --window "$1" $("$xsession_support/window.py" centre "$2") click 1
}

xsession_exit() {
    local window=$1 pid=${2:-}
    xsession_click "$window" exit
    for _ in $(seq 200); do
        xdotool search --onlyvisible --name '^Tavrilo$' >/dev/null 2>&1 ||
            { [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; } || break
        sleep 0.1
    done
    if xdotool search --onlyvisible --name '^Tavrilo$' >/dev/null 2>&1; then
        echo "Exit did not close the window" >&2
        return 1
    fi
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        echo "Exit did not end the program" >&2
        return 1
    fi
    [ -z "$pid" ] || wait "$pid" || { echo "the program failed" >&2; return 1; }
}
