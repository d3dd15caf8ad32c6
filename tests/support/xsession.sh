# Shell functions for checks that start a real program on a private X server and look at its
# window: sourced by the package checks.
#   xsession_start              starts Xvfb and exports DISPLAY; stopped when the shell exits
#   xsession_await_window [PID] waits for the window titled "Tavrilo" (while PID runs), checks its
#                               706 x 487 client area, and prints its window id
#   xsession_exit WINDOW [PID]  clicks the window's Exit button and waits for the window to go
#                               and for PID to end with status 0

xsession_support=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

xsession_start() {
    xsession_dir=$(mktemp -d)
    exec 3>"$xsession_dir/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xsession_xvfb=$!
    trap xsession_stop EXIT
    for _ in $(seq 100); do [ -s "$xsession_dir/display" ] && break; sleep 0.1; done
    [ -s "$xsession_dir/display" ] || { echo "Xvfb did not start"; return 1; }
    export DISPLAY=":$(head -n 1 "$xsession_dir/display")"
}

xsession_stop() {
    kill "$xsession_xvfb" 2>/dev/null || true
    rm -rf "$xsession_dir"
}

xsession_await_window() {
    local pid=${1:-} window= WIDTH HEIGHT size
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

xsession_exit() {
    local window=$1 pid=${2:-}
    # shellcheck disable=SC2046 # the control's x and y
    xdotool mousemove --window "$window" $("$xsession_support/window.py" centre exit) click 1
    for _ in $(seq 200); do
        xdotool search --onlyvisible --name '^Tavrilo$' >/dev/null 2>&1 ||
            { [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; } || break
        sleep 0.1
    done
    if xdotool search --onlyvisible --name '^Tavrilo$' >/dev/null 2>&1; then
        echo "Exit did not close the window" >&2
        return 1
    fi
    [ -z "$pid" ] || wait "$pid" || { echo "the program failed" >&2; return 1; }
}
