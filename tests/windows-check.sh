#!/usr/bin/env bash
# Checks the cross-built Windows program under Wine on a private X server, each check in a fresh
# Wine prefix: the project's suites, the portable program from the zip driven as a learner would,
# and the installer.
#   tests/windows-check.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR
# The Linux build folder must hold a built tests/tst_smoke: it drives the Windows program too.
set -euo pipefail
out=$(realpath "${1:?the Windows build folder}")
linux=$(realpath "${2:?the Linux build folder}")
root=$(cd "$(dirname "$0")/.." && pwd)
x_session=$root/tests/support/x-session
zip=$(ls "$out"/tavrilo-*-win64.zip)
setup=$(ls "$out"/tavrilo-*-win64-setup.exe)

work=$(mktemp -d)
stop() { # Wine's servers end before their prefixes go
    for prefix in "$work"/suites "$work"/portable-prefix; do
        if [ -d "$prefix" ]; then
            WINEPREFIX=$prefix wineserver --kill 2>/dev/null || true
            WINEPREFIX=$prefix wineserver --wait 2>/dev/null || true
        fi
    done
    rm -rf "$work"
}
trap stop EXIT
export WINEDEBUG=-all

echo "== the suites under Wine"
# The prefix made first: suites started side by side would each begin making it, and one of them
# can then find the other's half-started Wine server gone (seen where Wine has its 32-bit side).
WINEPREFIX=$work/suites wineboot --init >/dev/null 2>&1 && WINEPREFIX=$work/suites timeout 120 wineserver --wait
WINEPREFIX=$work/suites "$x_session" ctest --test-dir "$out" --output-on-failure -j "${JOBS:-2}"

echo "== the portable program under Wine, driven on the screen"
unzip -q "$zip" -d "$work/portable"
export WINEPREFIX=$work/portable-prefix
# Made beforehand, and let go, so that the program's Wine starts afresh on the test's display.
wineboot --init >/dev/null 2>&1 && timeout 120 wineserver --wait
# Under a window manager, as on Windows: without one, Wine lets the first click after a window
# change go by (the message box's button would need two).
TAVRILO_SMOKE_PROGRAM="wine $(ls "$work"/portable/*/tavrilo.exe)" \
    "$x_session" --wm openbox "$linux/tests/tst_smoke" learnerSession
unset WINEPREFIX

echo "== the installer under Wine"
"$root/packaging/windows/installer-check.sh" "$setup"
