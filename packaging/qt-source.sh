# Shell functions for building a static Qt for another platform from Debian's own Qt source (with
# Debian's patches applied), cached per machine: sourced by windows/cross-qt.sh and web/wasm-qt.sh.
#   qt_cache_prefix NAME RECIPE OPTION...  prints the prefix that a Qt built with these options is
#                                          cached in (the key covers the version, recipe, options)
#   qt_build PREFIX OPTIONS... -- CMAKE... fetches the source, configures, builds and installs into
#                                          PREFIX, and marks it complete only when all of that worked;
#                                          a function qt_prepare, if defined, first changes the
#                                          source (run in its folder)
# The host tools (moc, rcc, uic) come from Debian's qt6-base-dev, so the source is the same version.

qt_version=6.4.2
qt_cache=${XDG_CACHE_HOME:-$HOME/.cache}/tavrilo

qt_cache_prefix() {
    local name=$1
    shift
    echo "$qt_cache/qt-$qt_version-$name-$(printf '%s\n' "$qt_version" "$@" | sha256sum | cut -c1-12)"
}

qt_build() {
    local prefix=$1 options=() cmake_options=() sudo=()
    shift
    while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    cmake_options=("$@")
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)

    # `apt-get source` needs deb-src entries: copies of the machine's own binary entries, so the
    # same mirrors, suites and keys.
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
        "$src/configure" -prefix "$prefix" "${options[@]}" -qt-host-path /usr -- \
            -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake "${cmake_options[@]}" \
            >configure.log 2>&1 || { tail -n 40 configure.log >&2; exit 1; }
        cmake --build . --parallel "${JOBS:-2}" >build.log 2>&1 || { tail -n 60 build.log >&2; exit 1; }
        cmake --install . >install.log 2>&1 || { tail -n 20 install.log >&2; exit 1; }
    ) || return 1
    rm -rf "$work"
    touch "$prefix/.complete"
    echo "Qt $qt_version built in $SECONDS s" >&2
}
