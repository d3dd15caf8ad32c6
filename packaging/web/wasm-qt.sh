#!/usr/bin/env bash
# Builds the static, single-threaded Qt for WebAssembly that the web build of Tavrilo links, from
# Debian 13's Qt source with Debian 13's emscripten, in the Debian 13 build root
# (../build-root.sh), and caches it per machine.
#   packaging/web/wasm-qt.sh          print the cached Qt's prefix, building it first if needed
#   packaging/web/wasm-qt.sh --check  print the prefix if the cache is complete; else fail
#   packaging/web/wasm-qt.sh --env    print the shell settings that builds with this Qt need
# The first build takes about a quarter of an hour on two cores; later runs reuse the cache at once.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../qt-source.sh"

# The same modules and features as the Windows Qt, less what the browser gives or forbids: no
# threads (they would need cross-origin isolation headers that static hosts seldom send). OpenGL
# stays, since Qt's WebAssembly backing store is built only with it, though it draws on a 2D canvas
# and never asks for WebGL. Less, too, of what every learner would download for nothing: the
# styles, and what qt_unused_features (../qt-source.sh) lists.
options=(
    -release -static -optimize-size
    -xplatform wasm-emscripten
    -nomake tests -nomake examples
    -no-feature-thread
    -no-dbus -no-icu -no-vulkan
    -no-feature-network -no-feature-sql -no-feature-xml -no-feature-printsupport
    -no-feature-concurrent -no-feature-sql-sqlite
    -qt-zlib -qt-pcre -qt-libpng -qt-freetype -qt-harfbuzz -no-libjpeg -no-gif
    -no-sbom # what Qt is made of is said in the licences shipped beside the program
    -no-feature-tabletevent
    -no-feature-style-fusion -no-feature-style-stylesheet
    "${qt_unused_features[@]/#/-no-feature-}"
    # And what only the Windows Qt needs: Qt Test for the program's tests, which run there under
    # Wine; regular expressions (Qt Test and Qt's Windows file system code use them; the
    # WebAssembly platform does too, but for a patch of ours); settings (the Windows font database
    # reads the registry through them); temporary files (its native file dialog's).
    -no-feature-testlib -no-feature-regularexpression -no-feature-settings
    -no-feature-temporaryfile
)
# Qt's core is compiled to catch exceptions, but the program is linked, as emscripten links by
# default, without catching them: a throw ends it. The landing pads it would keep are dead code
# whose every call went out to JavaScript and back (emscripten's invoke_ wrappers), about a tenth
# of the main thread's work before a first visit's window shows.
qt_cxx_flags=(-sDISABLE_EXCEPTION_CATCHING=1)
# HarfBuzz without what the page's two fonts, static TrueType faces of Latin and Cyrillic, never
# ask of it: Apple's layout tables, CFF outlines, colour and bitmap glyphs, drawing and painting
# glyphs (FreeType draws them), mathematical and meta tables, and the buffer's debugging aids.
qt_cxx_flags+=(-DHB_NO_AAT -DHB_NO_CFF -DHB_NO_COLOR -DHB_NO_BITMAP -DHB_NO_PAINT -DHB_NO_DRAW
    -DHB_NO_MATH -DHB_NO_META -DHB_NO_BUFFER_VERIFY -DHB_NO_BUFFER_SERIALIZE -DHB_NO_BUFFER_MESSAGE)
recipe=5 # raise when the build steps below change what gets built

# What the page needs of Qt's WebAssembly platform, for screen readers and on-screen keyboards,
# and what lets it do without what it does not need: the patches in qt-patches/, in the order of
# its series file, after the shared ones (each says what it changes and why).
qt_patch_dirs+=("$here/qt-patches")
# Qt's WebAssembly platform puts one style sheet of its own into the page. The page's content
# security policy allows it by its digest, which the web build reads from here.
qt_installed() {
    mkdir -p "$prefix/share/tavrilo"
    python3 - "$1/src/plugins/platforms/wasm/qwasmcssstyle.cpp" >"$prefix/share/tavrilo/style-sha256" <<'EOF'
import base64, hashlib, sys
source = open(sys.argv[1], encoding="utf-8").read()
assert source.count('R"css(') == 1, "Qt's style sheet is no longer one string"
start, end = source.index('R"css(') + len('R"css('), source.index(')css"')
print(base64.b64encode(hashlib.sha256(source[start:end].encode()).digest()).decode())
EOF
}
# Built with one emscripten, used with the same: the build root's.
root=
[ -n "${TAVRILO_IN_BUILD_ROOT:-}" ] || root=$("$here/../build-root.sh" --check 2>/dev/null) || true
emscripten_version=$(cat "$root/usr/share/emscripten/emscripten-version.txt" 2>/dev/null || echo none)
prefix=$(qt_cache_prefix wasm-static "$recipe" "emscripten $emscripten_version" "${options[@]}" \
    "${qt_cxx_flags[@]}")

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
    for tool in emcc em++ emar emranlib; do
        [ -e "$emsdk/upstream/emscripten/$tool" ] || ln -s "/usr/bin/$tool" "$emsdk/upstream/emscripten/"
    done
    echo "EMSCRIPTEN_ROOT = emsdk_path + '/upstream/emscripten'" >"$emsdk/.emscripten"
}

case "${1:-}" in
--env)
    environment
    exit 0
    ;;
esac
if [ "${1:-}" = --check ]; then
    qt_cached "$prefix" || { echo "no Qt $qt_version for WebAssembly in $qt_cache" \
        "(emscripten $emscripten_version, key ${prefix##*-})" >&2; exit 1; }
    "$here/../build-root.sh" --check >/dev/null
    echo "$prefix"
    exit 0
fi
if qt_cached "$prefix"; then
    # Afresh in the build root, where it points to, for the emscripten there now.
    [ -z "${TAVRILO_IN_BUILD_ROOT:-}" ] || make_emsdk
    echo "$prefix"
    exit 0
fi
qt_in_root "$0" "$@"
make_emsdk
eval "$(environment)"
qt_build "$prefix" "${options[@]}" -- \
    -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake
echo "$prefix"
