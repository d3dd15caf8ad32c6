#!/usr/bin/env bash
# Builds Tavrilo for the web with the cached Qt for WebAssembly (made first if need be): the page's
# folder and its zip, with their sizes; then drives the page in Chromium and in Firefox as a learner
# would, on a private X server, and checks in headless Chromium what the screen does not show.
#   packaging/web/build.sh [WEB_BUILD_DIR [LINUX_BUILD_DIR [--bench]]]
# The page lands in WEB_BUILD_DIR/site. The Linux build folder must hold a built tests/tst_smoke:
# it drives the page too. With --bench, the web benchmark runs instead of the checks.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(realpath -m "${1:-$root/build-web}")
linux=$(realpath -m "${2:-$root/build}")
here=$root/packaging/web

qt=$("$here/wasm-qt.sh")
eval "$("$here/wasm-qt.sh" --env)"
"$qt/bin/qt-cmake" -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
    -DTAVRILO_TESTS=OFF >/dev/null
cmake --build "$out" -j "${JOBS:-2}"
rm -rf "$out/site" "$out"/tavrilo-*-web.zip
cmake --install "$out" --prefix "$out/site" >/dev/null
(cd "$out" && cpack >/dev/null) || { echo "cpack failed"; exit 1; }

echo "== what the page loads, raw and gzipped (bytes)"
total=0 total_gz=0
for file in "$out"/site/*; do
    [ -f "$file" ] && [ "${file%.txt}" = "$file" ] || continue # not the licence
    raw=$(stat -c %s "$file") gz=$(gzip -9c "$file" | wc -c)
    total=$((total + raw)) total_gz=$((total_gz + gz))
    printf '%-24s %10d %10d\n' "$(basename "$file")" "$raw" "$gz"
done
printf '%-24s %10d %10d\n' "in all" "$total" "$total_gz"
stat -c '%n: %s bytes' "$out"/tavrilo-*-web.zip

if [ "${3:-}" = --bench ]; then
    cmake --build "$out" -j "${JOBS:-2}" --target run-web-benchmarks
    exit
fi

for browser in chromium firefox; do
    echo "== the page in $browser, driven on the screen"
    TAVRILO_SMOKE_BROWSER=$browser TAVRILO_SMOKE_PAGE=$out/site \
        "$linux/tests/tst_smoke" learnerSession
done
echo "== the page in headless Chromium: what is heard, hostile input, phones, installing"
python3 "$root/tests/tst_web.py" "$out/site"
