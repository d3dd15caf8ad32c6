#!/usr/bin/env bash
# Builds Tavrilo for the web in the Debian 13 build root, with the cached Qt for WebAssembly (made
# first if need be): the page's folder WEB_BUILD_DIR/site and its zip, and prints their sizes.
#   packaging/web/build.sh [WEB_BUILD_DIR [TARGET...]]
# Further targets (the benchmark's pages) are built too.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(realpath -m "${1:-$root/build-web}")
here=$root/packaging/web

qt=$("$here/wasm-qt.sh")
if [ -z "${TAVRILO_IN_BUILD_ROOT:-}" ]; then
    "$root/packaging/build-root.sh" run "$0" "$@"
    exit
fi
eval "$("$here/wasm-qt.sh" --env)"
cd "$root"
# CMake keeps the Qt a build folder was first made with: one made with another Qt starts afresh.
if [ -f "$out/CMakeCache.txt" ] && ! grep -qx "Qt6_DIR:PATH=$qt/lib/cmake/Qt6" "$out/CMakeCache.txt"; then
    rm -rf "$out"
fi
TAVRILO_QT=$qt cmake --preset web -B "$out" >/dev/null
cmake --build "$out" -j "${JOBS:-2}" ${2:+--target all "${@:2}"}
rm -rf "$out/site" "$out"/tavrilo-*-web.zip
cmake --install "$out" --prefix "$out/site" >/dev/null
(cd "$out" && cpack >/dev/null) || { echo "cpack failed"; exit 1; }

echo "== what the page loads (bytes): as it is, and as a host sends it precompressed"
printf '%-24s %10s %10s %10s\n' file raw gzip brotli
total=0 total_gz=0 total_br=0
for file in "$out"/site/*; do
    case $file in *.br | *.gz | *.txt | */_headers) continue ;; esac
    [ -f "$file" ] || continue
    raw=$(stat -c %s "$file")
    gz=$(stat -c %s "$file.gz" 2>/dev/null || echo "$raw") br=$(stat -c %s "$file.br" 2>/dev/null || echo "$raw")
    printf '%-24s %10d %10d %10d\n' "$(basename "$file")" "$raw" "$gz" "$br"
    # The finer background replaces the coarse one on finer screens: one of the two is loaded.
    [ "$(basename "$file")" != background@2x.png ] || continue
    total=$((total + raw)) total_gz=$((total_gz + gz)) total_br=$((total_br + br))
done
printf '%-24s %10d %10d %10d\n' "in all, at ratio 1" "$total" "$total_gz" "$total_br"
stat -c '%n: %s bytes' "$out"/tavrilo-*-web.zip
echo
# The program as linked, before it is cut in two.
"$root/packaging/web/size-breakdown.py" "$out/app/tavrilo.wasm" "$out/app/tavrilo.map"
