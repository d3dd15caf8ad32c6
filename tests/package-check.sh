#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a distribution would: lintian
# (no error and no warning), the AppStream metadata and the desktop entry through their validators,
# the declared dependencies; then installs it on this machine and starts the installed program
# on a private X server: the window must appear, carry the class its desktop entry names, and end
# on Exit.
#   tests/package-check.sh BUILD_DIR
set -euo pipefail
# shellcheck source=support/xsession.sh
. "$(dirname "$0")/support/xsession.sh"
xsession_enter "$0" "$@"
build=${1:?build folder}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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

(cd / && QT_QPA_PLATFORM=xcb exec /usr/bin/tavrilo) >"$work/log" 2>&1 &
program=$!
window=$(xsession_await_window "$program" 2>"$work/window") ||
    fail "the installed program: $(cat "$work/window")" "$work/log"
# On X11 a desktop finds the window's entry, and so its icon, by the window's class.
class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
xprop -id "$window" WM_CLASS | grep -qF "\"$class\"" || fail "the window's class is not $class"

xsession_exit "$window" "$program" 2>"$work/exit" || fail "on Exit: $(cat "$work/exit")" "$work/log"
echo "package check: $(basename "$deb") is lintian-clean, its metadata and desktop entry validate," \
    "it installs, and its program starts, shows its window and exits"
