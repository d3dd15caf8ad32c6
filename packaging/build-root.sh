#!/usr/bin/env bash
# The build root for the Windows and web builds: a minimal Debian 13 made with debootstrap, with
# Debian 13's Qt host tools (6.8), emscripten, binaryen, mingw-w64 and NSIS, cached per machine.
# Debian 12 has no Qt 6.8 host tools, and Debian 13's binaryen needs Debian 13's C library, so the
# cross builds run in here, wherever the project is checked out. Needs root (sudo when not root).
#   packaging/build-root.sh                print the root's folder, making it first if need be
#   packaging/build-root.sh --check        print it if it is complete; else say why and fail
#   packaging/build-root.sh run CMD ARG..  run a command inside it, as the calling user, with the
#                                          repository, the cache and /tmp at their own paths
# Bind mounts live in a mount namespace of the command's own, so nothing stays mounted after it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/tavrilo
# The mirror this machine's apt uses.
mirror=$({ cat /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null || true; } |
    sed -n 's|^URIs: *\(http[^ ]*/debian\)/*$|\1|p; s|^deb \(\[[^]]*\] \)\?\(http[^ ]*/debian\)/* .*|\2|p' |
    head -n1)
mirror=${mirror:-http://deb.debian.org/debian}
security=${mirror%/debian*}/debian-security

# Everything that changes what is in the root is in this list, and so in the cache key.
packages=(
    cmake ninja-build dpkg-dev file brotli
    qt6-base-dev qt6-base-dev-tools qt6-translations-l10n qt6-l10n-tools python3
    emscripten binaryen nodejs
    g++-mingw-w64-x86-64-posix nsis
)
recipe=1 # raise when the steps below change what gets installed
root=$cache/debian13-root-$(printf '%s\n' trixie "$recipe" "${packages[@]}" | sha256sum | cut -c1-12)

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

run() {
    [ -f "$root/.complete" ] || { echo "no build root in $root: run $0 first" >&2; exit 1; }
    local user=${SUDO_UID:-$(id -u)}:${SUDO_GID:-$(id -g)}
    # Tools that stamp a time into what they make (strip on Windows programs, the archives) take
    # the last commit's, so that one commit gives the same files.
    local epoch
    epoch=$(git -C "$repo" log -1 --format=%ct 2>/dev/null) || epoch=0
    # Same paths inside as outside: the build folders' files name each other, and ctest, Wine and the
    # browsers read them outside.
    "${sudo[@]}" unshare --mount --propagation private env ROOT="$root" REPO="$repo" CACHE="$cache" \
        USERSPEC="$user" WORKDIR="$PWD" EPOCH="$epoch" bash -c '
        set -e
        for dir in "$REPO" "$CACHE" /tmp; do
            mkdir -p "$ROOT$dir"
            mount --bind "$dir" "$ROOT$dir"
        done
        mount --rbind /dev "$ROOT/dev"
        mount -t proc proc "$ROOT/proc"
        cp /etc/resolv.conf "$ROOT/etc/resolv.conf" 2>/dev/null || true
        exec chroot --userspec="$USERSPEC" "$ROOT" /usr/bin/env -i HOME=/tmp \
            PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 JOBS="${JOBS:-2}" \
            XDG_CACHE_HOME="$(dirname "$CACHE")" SOURCE_DATE_EPOCH="$EPOCH" TAVRILO_IN_BUILD_ROOT=1 \
            bash -c "cd \"\$0\" 2>/dev/null || cd /; exec \"\$@\"" "$WORKDIR" "$@"
        ' bash "$@"
}

make_root() {
    local work=$root.build
    command -v debootstrap >/dev/null || {
        "${sudo[@]}" apt-get update -qq
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq debootstrap >/dev/null
    }
    "${sudo[@]}" rm -rf --one-file-system "$work" "$root"
    mkdir -p "$cache"
    echo "Making the Debian 13 build root in $root (a few minutes)" >&2
    "${sudo[@]}" debootstrap --variant=minbase trixie "$work" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
        { tail -n 20 "$cache/debootstrap.log" >&2; exit 1; }
    "${sudo[@]}" tee "$work/etc/apt/sources.list" >/dev/null <<EOF
deb $mirror trixie main
deb-src $mirror trixie main
deb $mirror trixie-updates main
deb-src $mirror trixie-updates main
deb $security trixie-security main
deb-src $security trixie-security main
EOF
    "${sudo[@]}" cp /etc/resolv.conf "$work/etc/resolv.conf"
    "${sudo[@]}" chroot "$work" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive bash -c "
        set -e
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends ${packages[*]} >/dev/null
        apt-get clean
        # Emscripten takes a lock in its cache of system libraries, also as the calling user.
        chmod -R a+rwX /usr/share/emscripten/cache
        chmod 1777 /tmp" || exit 1
    "${sudo[@]}" mv "$work" "$root"
    "${sudo[@]}" touch "$root/.complete"
}

case "${1:-}" in
--check)
    [ -f "$root/.complete" ] || { echo "no Debian 13 build root in $cache (key ${root##*-})" >&2; exit 1; }
    echo "$root"
    ;;
run)
    shift
    run "$@"
    ;;
"")
    [ -f "$root/.complete" ] || make_root
    echo "$root"
    ;;
*)
    sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
