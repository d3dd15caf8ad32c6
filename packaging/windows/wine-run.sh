#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine: ctest's emulator for the Windows build.
#   packaging/windows/wine-run.sh PROGRAM.exe [ARGUMENT...]
# Wine hands no QT_* variable to a Windows program, and Qt's messages go nowhere under Wine unless
# told to go to stderr; so the variables are set by cmd inside Wine, just before the program runs.
# WINEPREFIX should name a private prefix (the Windows build's own, made on first use).
set -euo pipefail
program=$1
shift

windows_path() { # /a/b -> Z:\a\b (Wine's Z: drive is the Unix root)
    local path
    path=$(realpath -m "$1")
    printf 'Z:%s' "${path//\//\\}"
}

command=(cmd /c)
while IFS='=' read -r name value; do
    # cmd would split such a value, and no test needs one.
    case $value in *' '* | *'&'* | *'"'*)
        echo "wine-run: cannot pass $name='$value' through cmd" >&2
        exit 2
        ;;
    esac
    command+=(set "$name=$value&&")
done < <(env | grep '^QT_' | sort)
command+=(set "QT_FORCE_STDERR_LOGGING=1&&" "$(windows_path "$program")" "$@")

export WINEDEBUG=${WINEDEBUG:--all}
exec wine "${command[@]}"
