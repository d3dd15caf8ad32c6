#!/usr/bin/env bash
# Builds the Debian package from a build folder, installs it on this machine, and starts the
# installed program under Xvfb: the window must appear, and its Exit button must end it.
#   tests/package-check.sh BUILD_DIR
set -euo pipefail
build=${1:?build folder}

(cd "$build" && cpack -G DEB >/dev/null 2>&1) || { echo "cpack failed"; exit 1; }
deb=$(ls -t "$build"/tavrilo_*.deb | head -n 1)
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || { echo "package declares no Qt 6 dependency"; exit 1; }
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --reinstall "$(realpath "$deb")" >/dev/null 2>&1
for f in /usr/bin/tavrilo /usr/share/applications/tavrilo.desktop \
         /usr/share/icons/hicolor/48x48/apps/tavrilo.png /usr/share/icons/hicolor/256x256/apps/tavrilo.png; do
    [ -e "$f" ] || { echo "not installed: $f"; exit 1; }
done
grep -q '^Exec=tavrilo$' /usr/share/applications/tavrilo.desktop

work=$(mktemp -d)
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
program=
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"

(cd / && QT_QPA_PLATFORM=xcb exec /usr/bin/tavrilo) >"$work/log" 2>&1 &
program=$!
window=$(timeout 30 xdotool search --sync --name '^Tavrilo$' | head -n 1)
[ -n "$window" ] || { echo "the installed program showed no window"; cat "$work/log"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH"x"$HEIGHT" = 706x487 ] || { echo "window is ${WIDTH}x$HEIGHT, not 706x487"; exit 1; }

xdotool mousemove --window "$window" 572 428 click 1 # "Выход"
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$program" 2>/dev/null; then echo "Exit did not end the installed program"; exit 1; fi
wait "$program" || { echo "the installed program failed"; cat "$work/log"; exit 1; }
program=
echo "package check: $(basename "$deb") installs and its program starts, shows its window and exits"
