#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a distribution would: lintian
# (no error and no warning), the AppStream metadata and the desktop entry through their validators,
# the declared dependencies; then installs it on this machine and starts the installed program
# under Xvfb: the window must appear, carry the class its desktop entry names, and end on Exit.
#   tests/package-check.sh BUILD_DIR
set -euo pipefail
build=${1:?build folder}
support=$(cd "$(dirname "$0")/support" && pwd)
work=$(mktemp -d)
xvfb=
program=
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "package check: $1"
    [ -z "${2:-}" ] || cat "$2"
    exit 1
}

(cd "$build" && cpack -G DEB) >"$work/cpack" 2>&1 || fail "cpack failed" "$work/cpack"
deb=$(ls -t "$build"/tavrilo_*.deb | head -n 1)
lintian --fail-on error,warning "$deb" >"$work/lintian" 2>&1 || fail "lintian:" "$work/lintian"
version=$(dpkg-deb -f "$deb" Version)
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "the package declares no Qt 6 dependency"
dpkg-deb -f "$deb" Recommends | grep -qw qt6-wayland || fail "the package does not recommend qt6-wayland"

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --reinstall "$(realpath "$deb")" \
    >"$work/apt" 2>&1 || fail "the package does not install" "$work/apt"

# One id names the metadata and the desktop entry it launches; the entry names the icon.
metainfo=$(dpkg -L tavrilo | grep '^/usr/share/metainfo/.*\.metainfo\.xml$') || fail "no AppStream metadata"
appstreamcli validate --no-net "$metainfo" >"$work/appstream" 2>&1 || fail "appstreamcli:" "$work/appstream"
id=$(basename "$metainfo" .metainfo.xml)
grep -q "<id>$id</id>" "$metainfo" || fail "the metadata in $metainfo is not for $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metadata does not launch $id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metadata lists no release $version"
desktop=/usr/share/applications/$id.desktop
[ -f "$desktop" ] || fail "not installed: $desktop"
# desktop-file-validate fails only on errors; its warnings and hints count too.
desktop-file-validate "$desktop" >"$work/desktop" 2>&1 && [ ! -s "$work/desktop" ] ||
    fail "desktop-file-validate:" "$work/desktop"
grep -q '^Exec=tavrilo$' "$desktop" || fail "the desktop entry does not start tavrilo"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 48 64 128 256; do
    [ -f "/usr/share/icons/hicolor/${size}x$size/apps/$icon.png" ] || fail "no ${size}px icon named $icon"
done
for f in /usr/bin/tavrilo /usr/share/man/man1/tavrilo.1.gz /usr/share/doc/tavrilo/copyright; do
    [ -f "$f" ] || fail "not installed: $f"
done
changelog=$(zcat /usr/share/doc/tavrilo/changelog.gz | dpkg-parsechangelog -l - -S Version)
[ "$changelog" = "$version" ] || fail "the changelog's last entry is $changelog, the package $version"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"

(cd / && QT_QPA_PLATFORM=xcb exec /usr/bin/tavrilo) >"$work/log" 2>&1 &
program=$!
window=$(timeout 30 xdotool search --sync --name '^Tavrilo$' | head -n 1)
[ -n "$window" ] || fail "the installed program showed no window" "$work/log"
eval "$(xdotool getwindowgeometry --shell "$window")"
size=$("$support/window.py" size)
[ "$WIDTH"x"$HEIGHT" = "$size" ] || fail "the window is ${WIDTH}x$HEIGHT, not $size"
# On X11 a desktop finds the window's entry, and so its icon, by the window's class.
class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
xprop -id "$window" WM_CLASS | grep -qF "\"$class\"" || fail "the window's class is not $class"

# shellcheck disable=SC2046 # the control's x and y
xdotool mousemove --window "$window" $("$support/window.py" centre exit) click 1
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "Exit did not end the installed program"
wait "$program" || fail "the installed program failed" "$work/log"
program=
echo "package check: $(basename "$deb") is lintian-clean, its metadata and desktop entry validate," \
    "it installs, and its program starts, shows its window and exits"
