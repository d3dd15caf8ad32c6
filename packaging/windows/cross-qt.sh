#!/usr/bin/env bash
# Builds the static Qt for 64-bit Windows that the cross-built Tavrilo links, from Debian 13's own Qt
# source (with Debian's patches applied) and Debian 13's mingw-w64 compilers, in the Debian 13 build
# root (../build-root.sh), and caches it per machine.
#   packaging/windows/cross-qt.sh          print the cached Qt's prefix, building it first if needed
#   packaging/windows/cross-qt.sh --check  print the prefix if the cache is complete; else fail
# The first build takes about an hour of one core's time; later runs reuse the cache at once. An
# interrupted build never counts: the prefix is marked complete only after the install finished.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../qt-source.sh"

# Everything that changes the built Qt is in this list, and so in the cache key. Small and static:
# Core, Gui, Widgets, Test, the Windows and offscreen platform plugins (the tests run offscreen,
# which needs FreeType), the built-in Windows style, Qt's own copies of the third-party libraries.
options=(
    -release -static -static-runtime -optimize-size
    -xplatform win32-g++
    -nomake tests -nomake examples
    -no-opengl -no-dbus -no-icu -no-vulkan
    -no-feature-network -no-feature-sql -no-feature-xml -no-feature-printsupport
    -no-feature-concurrent -no-feature-sql-sqlite
    -qt-zlib -qt-pcre -qt-libpng -qt-freetype -qt-harfbuzz -no-libjpeg -no-gif
    -no-sbom # what Qt is made of is said in the licences shipped beside the program
    # Tablet (WinTab) support needs headers that Debian's source leaves out; pens still arrive as
    # pointer and mouse input without it, which is all a drill of button clicks needs.
    -no-feature-tabletevent
    # The program draws with the built-in Windows style, and its build leaves the style plugins
    # out: they are not built.
    -no-feature-style-windowsvista -no-feature-style-windows11
    "${qt_unused_features[@]/#/-no-feature-}"
)
recipe=2 # raise when the build steps below change what gets built
prefix=$(qt_cache_prefix win64-static "$recipe" "${options[@]}")

if [ "${1:-}" = --check ]; then
    qt_cached "$prefix" ||
        { echo "no cross-built Qt $qt_version in $qt_cache (key ${prefix##*-})" >&2; exit 1; }
    "$here/../build-root.sh" --check >/dev/null
    echo "$prefix"
    exit 0
fi
if qt_cached "$prefix"; then
    echo "$prefix"
    exit 0
fi
qt_in_root "$0" "$@"
qt_build "$prefix" "${options[@]}" -- -DCMAKE_TOOLCHAIN_FILE="$here/mingw64.cmake"
echo "$prefix"
