# Shell functions for building a static Qt for another platform from Debian 13's own Qt source
# (with Debian's patches applied) in the Debian 13 build root (build-root.sh), cached per machine:
# sourced by windows/cross-qt.sh and web/wasm-qt.sh.
#   qt_cache_prefix NAME RECIPE OPTION...  prints the prefix that a Qt built with these options is
#                                          cached in (the key covers the version, recipe, options)
#   qt_in_root "$0" "$@"                   re-runs the calling script inside the build root (made
#                                          first if need be), unless it already runs there
#   qt_build PREFIX OPTIONS... -- CMAKE... fetches the source, configures, builds and installs into
#                                          PREFIX, and marks it complete only when all of that worked;
#                                          a function qt_prepare, if defined, first changes the
#                                          source (run in its folder), and a function qt_installed,
#                                          if defined, is called with the source folder once Qt is
#                                          installed. Inside the build root only.
# The host tools (moc, rcc, uic) are the build root's qt6-base-dev-tools, the same version.

qt_version=6.8.2
qt_cache=${XDG_CACHE_HOME:-$HOME/.cache}/tavrilo
qt_build_root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/build-root.sh

qt_cache_prefix() {
    local name=$1
    shift
    echo "$qt_cache/qt-$qt_version-$name-$(printf '%s\n' "$qt_version" "$@" | sha256sum | cut -c1-12)"
}

qt_in_root() {
    [ -n "${TAVRILO_IN_BUILD_ROOT:-}" ] && return 0
    "$qt_build_root" >/dev/null
    exec "$qt_build_root" run "$@"
}

qt_build() {
    local prefix=$1 options=() cmake_options=()
    shift
    while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    cmake_options=("$@")
    [ -n "${TAVRILO_IN_BUILD_ROOT:-}" ] || { echo "qt_build runs in the build root" >&2; return 1; }

    local host_version
    host_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
    case $host_version in
    "$qt_version"+*) ;;
    *) echo "qt6-base-dev is $host_version; this build needs Qt $qt_version" >&2; return 1 ;;
    esac

    local work=$prefix.build
    rm -rf "$work" "$prefix"
    mkdir -p "$work"
    echo "Building Qt $qt_version into $prefix; logs in $work" >&2
    (
        set -e
        cd "$work"
        apt-get source -qq "qt6-base=$host_version" >source.log 2>&1 || { cat source.log >&2; exit 1; }
        src=$(find "$work" -maxdepth 1 -type d -name "qt6-base-$qt_version*" | head -n1)
        if declare -F qt_prepare >/dev/null; then (cd "$src" && qt_prepare); fi
        mkdir build && cd build
        # No path of this machine in what is built: Qt's sources and build folder by neutral names,
        # and as the prefix that Qt's libraries carry, Qt's default one; Qt is installed here.
        local map="-ffile-prefix-map=$src=qt6-base-$qt_version -ffile-prefix-map=$work/build=qt6-build"
        "$src/configure" -prefix "/usr/local/Qt-$qt_version" -extprefix "$prefix" "${options[@]}" \
            -qt-host-path /usr -- \
            -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
            -DCMAKE_C_FLAGS="$map" -DCMAKE_CXX_FLAGS="$map" "${cmake_options[@]}" \
            >configure.log 2>&1 || { tail -n 40 configure.log >&2; exit 1; }
        cmake --build . --parallel "${JOBS:-2}" >build.log 2>&1 || { tail -n 60 build.log >&2; exit 1; }
        cmake --install . >install.log 2>&1 || { tail -n 20 install.log >&2; exit 1; }
        if declare -F qt_installed >/dev/null; then qt_installed "$src"; fi
    ) || return 1
    rm -rf "$work"
    touch "$prefix/.complete"
    echo "Qt $qt_version built in $SECONDS s" >&2
    # Earlier builds of this kind, of any version or recipe, are of no more use.
    local kind=${prefix##*/qt-"$qt_version"-}
    kind=${kind%-*}
    for old in "$qt_cache"/qt-*-"$kind"-*; do
        [ "$old" = "$prefix" ] || [ ! -d "$old" ] || rm -rf "$old"
    done
}
