#!/usr/bin/env bash
# Takes the screenshot the AppStream metadata shows: the built program on a private X server, just
# after Start has put a point on the left plane, its window captured with ImageMagick's `import`.
# `cmake --build build --target screenshot` runs it for the committed picture.
#   packaging/linux/make-screenshot.sh PROGRAM OUTPUT.png
set -euo pipefail
for tool in Xvfb xdotool import compare; do
    command -v "$tool" >/dev/null || { echo "needs $tool (xvfb, xdotool, imagemagick)"; exit 1; }
done
# shellcheck source=../../tests/support/xsession.sh
. "$(dirname "$0")/../../tests/support/xsession.sh"
xsession_enter "$0" "$@"
program=$(realpath "${1:?program}")
output=${2:?output png}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

QT_QPA_PLATFORM=xcb "$program" >"$work/log" 2>&1 &
window=$(xsession_await_window $!) || { cat "$work/log"; exit 1; }
capture() { import -window "$window" -strip -define png:exclude-chunks=date,time "$1"; }
capture "$work/before.png"
xsession_click "$window" start
# The point is on the screen once the window's picture has changed.
for _ in $(seq 50); do
    capture "$work/after.png"
    compare -metric AE "$work/before.png" "$work/after.png" null: 2>/dev/null || break
    sleep 0.1
done
cmp -s "$work/before.png" "$work/after.png" && { echo "Start changed nothing on the window"; exit 1; }
mv "$work/after.png" "$output"
echo "$output: $(identify -format '%wx%h' "$output")"
