#!/usr/bin/env bash
# Builds the static, single-threaded Qt for WebAssembly that the web build of Tavrilo links, with
# Debian's emscripten, and caches it per machine.
#   packaging/web/wasm-qt.sh          print the cached Qt's prefix, building it first if needed
#   packaging/web/wasm-qt.sh --check  print the prefix if the cache is complete; else fail
#   packaging/web/wasm-qt.sh --env    print the shell settings that builds with this Qt need
# The first build takes about half an hour on two cores; later runs reuse the cache at once.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../qt-source.sh"

# The same modules and features as the Windows Qt, less what the browser gives or forbids: no
# threads (they would need cross-origin isolation headers that static hosts seldom send). OpenGL
# stays: Qt 6.4's WebAssembly backing store draws through WebGL. Less, too, of what every learner
# would download for nothing: the styles and text formats that the program does not use.
options=(
    -release -static -optimize-size
    -xplatform wasm-emscripten
    -nomake tests -nomake examples
    -no-feature-thread
    -no-dbus -no-icu -no-vulkan
    -no-feature-network -no-feature-sql -no-feature-xml -no-feature-printsupport
    -no-feature-concurrent -no-feature-sql-sqlite
    -qt-zlib -qt-pcre -qt-libpng -qt-freetype -qt-harfbuzz -no-libjpeg -no-gif
    -no-feature-tabletevent
    -no-feature-style-fusion -no-feature-style-stylesheet
    -no-feature-textmarkdownreader -no-feature-textmarkdownwriter -no-feature-textodfwriter
    -no-feature-datetimeedit -no-feature-calendarwidget
)
recipe=2 # raise when the build steps below change what gets built

# Qt's WebAssembly platform embeds three fonts as its own. DejaVu Sans stays, the default and the
# fallback for every script the program's own font lacks; the monospace and the Latin-only Vera go.
qt_prepare() {
    local plugin=src/plugins/platforms/wasm
    sed -i '/src\/3rdparty\/wasm\/\(Vera\|DejaVuSansMono\)\.ttf/d' $plugin/CMakeLists.txt
    sed -i '/":\/fonts\/\(Vera\|DejaVuSansMono\)\.ttf"/d' $plugin/qwasmfontdatabase.cpp
    sed -i 's/return QFont("Bitstream Vera Sans"_L1);/return QFont("DejaVu Sans"_L1);/' \
        $plugin/qwasmfontdatabase.cpp
    ! grep -q 'Vera.ttf\|DejaVuSansMono\|QFont("Bitstream' $plugin/CMakeLists.txt \
        $plugin/qwasmfontdatabase.cpp || { echo "Qt's wasm fonts are not where expected" >&2; return 1; }
}
# Built with one emscripten, used with the same: Debian's, installed or (for --check on a machine
# where `./dev.sh web` has yet to install it) the one apt-get would install.
emscripten_version=$(cat /usr/share/emscripten/emscripten-version.txt 2>/dev/null ||
    apt-cache policy emscripten 2>/dev/null | sed -n 's/^ *Candidate: \([0-9.]*\).*/\1/p')
prefix=$(qt_cache_prefix wasm-static "$recipe" "emscripten $emscripten_version" "${options[@]}")

# Qt's configure wants an emsdk: a folder whose .emscripten names EMSCRIPTEN_ROOT, with emcc and
# the CMake toolchain under it. Links to Debian's emscripten make one. Emscripten's JavaScript
# optimizer needs Debian's node modules (acorn, terser) on NODE_PATH.
emsdk=$qt_cache/emsdk-debian
environment() {
    cat <<EOF
export EMSDK=$emsdk
export NODE_PATH=/usr/share/nodejs
EOF
}
make_emsdk() {
    rm -rf "$emsdk"
    mkdir -p "$emsdk/upstream/emscripten"
    for entry in /usr/share/emscripten/*; do
        ln -s "$entry" "$emsdk/upstream/emscripten/"
    done
    ln -s /usr/bin/emcc /usr/bin/em++ /usr/bin/emar /usr/bin/emranlib "$emsdk/upstream/emscripten/"
    echo "EMSCRIPTEN_ROOT = emsdk_path + '/upstream/emscripten'" >"$emsdk/.emscripten"
}

case "${1:-}" in
--env)
    environment
    exit 0
    ;;
esac
if [ -f "$prefix/.complete" ]; then
    [ "${1:-}" = --check ] || make_emsdk # afresh, for the emscripten installed now
    echo "$prefix"
    exit 0
fi
if [ "${1:-}" = --check ]; then
    echo "no Qt $qt_version for WebAssembly in $qt_cache (emscripten $emscripten_version)" >&2
    exit 1
fi
command -v emcc >/dev/null || { echo "emcc not found: install the package emscripten" >&2; exit 1; }
make_emsdk
eval "$(environment)"
qt_build "$prefix" "${options[@]}" -- \
    -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake
echo "$prefix"
