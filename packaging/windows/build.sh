#!/usr/bin/env bash
# Cross-builds Tavrilo for 64-bit Windows in the Debian 13 build root, with the cached static Qt
# (made first if need be): the program and the Windows copies of the test suites, the portable zip
# and the installer, whose names and sizes it prints.
#   packaging/windows/build.sh [WINDOWS_BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(realpath -m "${1:-$root/build-windows}")
here=$root/packaging/windows

qt=$("$here/cross-qt.sh")
if [ -z "${TAVRILO_IN_BUILD_ROOT:-}" ]; then
    "$root/packaging/build-root.sh" run "$0" "$@"
    exit
fi
cd "$root"
# CMake keeps the Qt a build folder was first made with: one made with another Qt starts afresh.
if [ -f "$out/CMakeCache.txt" ] && ! grep -qx "Qt6_DIR:PATH=$qt/lib/cmake/Qt6" "$out/CMakeCache.txt"; then
    rm -rf "$out"
fi
TAVRILO_QT=$qt cmake --preset windows -B "$out" >/dev/null
cmake --build "$out" -j "${JOBS:-2}"
rm -f "$out"/tavrilo-*-win64*
(cd "$out" && cpack -G ZIP >/dev/null && cpack -G NSIS >/dev/null) || { echo "cpack failed"; exit 1; }
stat -c '%n: %s bytes' "$out"/tavrilo-*-win64.zip "$out"/tavrilo-*-win64-setup.exe
