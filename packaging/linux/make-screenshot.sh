#!/usr/bin/env bash
# Takes the screenshot the AppStream metadata shows: the built program on a private Xvfb, just after
# Start has put a point on the left plane, its window captured with ImageMagick's `import`.
# `cmake --build build --target screenshot` runs it for the committed picture.
#   packaging/linux/make-screenshot.sh PROGRAM OUTPUT.png
set -euo pipefail
program=$(realpath "${1:?program}")
output=${2:?output png}
support=$(cd "$(dirname "$0")/../../tests/support" && pwd)
for tool in Xvfb xdotool import compare; do
    command -v "$tool" >/dev/null || { echo "needs $tool (xvfb, xdotool, imagemagick)"; exit 1; }
done

work=$(mktemp -d)
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"

QT_QPA_PLATFORM=xcb "$program" >"$work/log" 2>&1 &
pid=$!
window=$(timeout 30 xdotool search --sync --name '^Tavrilo$' | head -n 1)
[ -n "$window" ] || { echo "the program showed no window"; cat "$work/log"; exit 1; }
capture() { import -window "$window" -strip -define png:exclude-chunks=date,time "$1"; }
capture "$work/before.png"
# shellcheck disable=SC2046 # the control's x and y
xdotool mousemove --window "$window" $("$support/window.py" centre start) click 1
# The point is on the screen once the window's picture has changed.
for _ in $(seq 50); do
    capture "$work/after.png"
    compare -metric AE "$work/before.png" "$work/after.png" null: 2>/dev/null || break
    sleep 0.1
done
cmp -s "$work/before.png" "$work/after.png" && { echo "Start changed nothing on the window"; exit 1; }
mv "$work/after.png" "$output"
echo "$output: $(identify -format '%wx%h' "$output")"
