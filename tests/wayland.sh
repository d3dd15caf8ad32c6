#!/usr/bin/env bash
# Runs a program on a headless Weston of its own that draws with pixman, and so has pixels to give
# to weston-screenshooter: the end-to-end test looks at the program there as it does on X.
#   tests/wayland.sh FOLDER PROGRAM...       runs the program there, until it ends
#   tests/wayland.sh --shoot FOLDER FILE     takes a screenshot of it into FILE
# Weston's socket is FOLDER/tavrilo (FOLDER is the XDG_RUNTIME_DIR to use) and its log
# FOLDER/weston.log. Weston ends with the program.
set -euo pipefail
shoot=false
[ "$1" != --shoot ] || { shoot=true; shift; }
folder=$1
shift
export XDG_RUNTIME_DIR=$folder WAYLAND_DISPLAY=tavrilo QT_QPA_PLATFORM=wayland
if $shoot; then # the screenshooter names its picture by the time, in the folder it runs in
    taken=$(mktemp -d)
    trap 'rm -rf "$taken"' EXIT
    (cd "$taken" && weston-screenshooter) && mv "$taken"/* "$1"
    exit
fi
unset DISPLAY
# --debug lets the screenshooter in.
setpriv --pdeathsig TERM weston --backend=headless-backend.so --use-pixman --width=1024 \
    --height=768 --socket=tavrilo --no-config --idle-time=0 --debug --log="$folder/weston.log" &
for _ in $(seq 300); do [ -S "$folder/tavrilo" ] && break; sleep 0.1; done
[ -S "$folder/tavrilo" ] || { echo "weston did not start: see $folder/weston.log" >&2; exit 1; }
exec "$@"
