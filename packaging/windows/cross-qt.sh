#!/usr/bin/env bash
# Builds the static Qt for 64-bit Windows that the cross-built Tavrilo links, from Debian's own Qt
# source (with Debian's patches applied) and Debian's mingw-w64 compilers, and caches it per machine.
#   packaging/windows/cross-qt.sh          print the cached Qt's prefix, building it first if needed
#   packaging/windows/cross-qt.sh --check  print the prefix if the cache is complete; else fail
# The first build takes about an hour of one core's time; later runs reuse the cache at once. An
# interrupted build never counts: the prefix is marked complete only after the install finished.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

qt_version=6.4.2
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
    # Tablet (WinTab) support needs headers that Debian's source leaves out; pens still arrive as
    # pointer and mouse input without it, which is all a drill of button clicks needs.
    -no-feature-tabletevent
)
recipe=1 # raise when the build steps below change what gets built
key=$(printf '%s\n' "$qt_version" "$recipe" "${options[@]}" | sha256sum | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/tavrilo
prefix=$cache/qt-$qt_version-win64-static-$key

if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi
if [ "${1:-}" = --check ]; then
    echo "no cross-built Qt $qt_version in $cache (key $key)" >&2
    exit 1
fi

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
# `apt-get source` needs deb-src entries: copies of the machine's own binary entries, so the same
# mirrors, suites and keys.
if ! apt-get indextargets 2>/dev/null | grep -q 'Created-By: Sources'; then
    {
        sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list 2>/dev/null || true
    } | "${sudo[@]}" tee /etc/apt/sources.list.d/tavrilo-deb-src.list >/dev/null
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -e "$f" ] && [ "$(basename "$f")" != tavrilo-deb-src.sources ] || continue
        sed 's/^Types: deb$/Types: deb-src/' "$f"
        echo
    done | "${sudo[@]}" tee /etc/apt/sources.list.d/tavrilo-deb-src.sources >/dev/null
    "${sudo[@]}" apt-get update -qq
fi
# The host tools (moc, rcc, uic) come from Debian's qt6-base-dev, so the source is the same version.
host_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
case $host_version in
"$qt_version"+*) ;;
*) echo "qt6-base-dev is $host_version; this build needs Qt $qt_version" >&2; exit 1 ;;
esac

work=$cache/qt-$qt_version-win64-build
rm -rf "$work" "$prefix"
mkdir -p "$work"
echo "Building Qt $qt_version for Windows into $prefix (about an hour of CPU time)" >&2
(
    cd "$work"
    apt-get source -qq "qt6-base=$host_version" >source.log 2>&1 || { cat source.log >&2; exit 1; }
    src=$(find "$work" -maxdepth 1 -type d -name "qt6-base-$qt_version*" | head -n1)
    # Qt 6.4.2's removed_api.cpp includes the toolbar header unconditionally, so the mainwindow
    # feature stays on; and DirectWrite without Direct2D does not link, so both stay on (defaults).
    mkdir build && cd build
    "$src/configure" -prefix "$prefix" "${options[@]}" \
        -qt-host-path /usr -- \
        -DCMAKE_TOOLCHAIN_FILE="$here/mingw64.cmake" \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >configure.log 2>&1 ||
        { tail -n 40 configure.log >&2; exit 1; }
    cmake --build . --parallel "${JOBS:-2}" >build.log 2>&1 || { tail -n 60 build.log >&2; exit 1; }
    cmake --install . >install.log 2>&1 || { tail -n 20 install.log >&2; exit 1; }
)
rm -rf "$work"
touch "$prefix/.complete"
echo "Qt $qt_version for Windows built in $SECONDS s" >&2
echo "$prefix"
