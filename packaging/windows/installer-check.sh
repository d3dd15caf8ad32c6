#!/usr/bin/env bash
# Checks the Windows installer under Wine, in a fresh private Wine prefix on a private X server:
# a silent install puts the program into Program Files with its Start-menu shortcut and registers
# an uninstaller; the installed program starts and shows its window; a silent uninstall removes
# program and shortcut.
#   packaging/windows/installer-check.sh SETUP.exe
set -euo pipefail
# shellcheck source=../../tests/support/xsession.sh
. "$(dirname "$0")/../../tests/support/xsession.sh"
xsession_enter "$0" "$@"
setup=$(realpath "${1:?the installer}")

fail() { echo "installer check: $*" >&2; exit 1; }
work=$(mktemp -d)
export WINEPREFIX=$work/wine WINEDEBUG=-all
# Wine's server ends before its prefix goes.
trap 'wineserver --kill 2>/dev/null || true; wineserver --wait 2>/dev/null || true; rm -rf "$work"' EXIT
wineboot --init >/dev/null 2>&1 && timeout 120 wineserver --wait

program_files=$WINEPREFIX/drive_c/Program\ Files/Tavrilo
menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Tavrilo
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrilo'
# The 64-bit installer writes to the registry's 64-bit view. Where Wine has its 32-bit side too,
# `wine reg` is the 32-bit reg.exe, which reads the 32-bit view unless told otherwise.
registry() { wine reg query "$uninstall_key" /reg:64 "$@"; }

wine "$setup" /S >/dev/null 2>&1 || fail "the silent install failed"
wineserver --wait
[ -f "$program_files/tavrilo.exe" ] || fail "no tavrilo.exe in Program Files"
[ -f "$program_files/licences/qt6-base.txt" ] || fail "no licences beside the program"
[ -f "$menu/Tavrilo.lnk" ] || fail "no Start-menu shortcut Tavrilo"
registry /v UninstallString 2>/dev/null | grep -qi 'uninstall.exe' ||
    fail "no uninstaller registered"

# Started as a learner would, from the Start menu.
wine start 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Tavrilo\Tavrilo.lnk' >/dev/null 2>&1 ||
    fail "the Start-menu shortcut did not start"
window=$(xsession_await_window) || fail "the program from the Start menu"
xsession_exit "$window" || fail "the installed program did not end on Exit"
timeout 60 wineserver --wait || fail "the program went on running after Exit"

wine "C:\\Program Files\\Tavrilo\\Uninstall.exe" /S >/dev/null 2>&1 || fail "the silent uninstall failed"
wineserver --wait # the uninstaller runs on from a copy of itself
[ ! -e "$program_files/tavrilo.exe" ] || fail "the uninstall left tavrilo.exe"
[ ! -e "$menu/Tavrilo.lnk" ] || fail "the uninstall left the Start-menu shortcut"
! registry >/dev/null 2>&1 || fail "the uninstall left its registry entry"
echo "installer check: $(basename "$setup") installs, starts and uninstalls silently"
