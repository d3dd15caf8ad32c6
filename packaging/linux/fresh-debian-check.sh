#!/usr/bin/env bash
# Tries the commands of README.md and docs/linux.md as a new user would, on a fresh minimal Debian
# 12 or 13: debootstraps the release into a folder, clones this repository's committed HEAD into it,
# and runs `CI=true ./dev.sh test`, `./dev.sh package`, an install by hand and the screenshot target
# inside a chroot. Needs root and debootstrap; takes a long while (everything is installed and built
# from nothing), less once the folder holds the release's base system and downloaded packages.
#   packaging/linux/fresh-debian-check.sh FOLDER [bookworm|trixie [MIRROR]]
#   packaging/linux/fresh-debian-check.sh --cached FOLDER [RELEASE]   succeeds if FOLDER holds both
# FOLDER/RELEASE/base.tar.gz, the base system, is unpacked instead of debootstrapping again, and
# FOLDER/RELEASE/archives keeps the packages that apt downloads, for the next run.
set -euo pipefail
if [ "${1:-}" = --cached ]; then
    cached=$(realpath -m "${2:?folder}")/${3:-bookworm}
    [ -f "$cached/base.tar.gz" ] && [ -n "$(ls "$cached"/archives/*.deb 2>/dev/null | head -n1)" ]
    exit
fi
release=${2:-bookworm}
case $release in
bookworm | trixie) ;;
*) echo "release: bookworm (Debian 12) or trixie (Debian 13), not $release"; exit 2 ;;
esac
folder=$(realpath -m "${1:?folder for the fresh system}")/$release
mirror=${3:-http://deb.debian.org/debian}
repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
root=$folder/root

[ "$(id -u)" -eq 0 ] || { echo "needs root (debootstrap, chroot, mount)"; exit 1; }
command -v debootstrap >/dev/null || { echo "needs debootstrap"; exit 1; }
mkdir -p "$folder/archives/partial"
# A run that was killed may have left the host's /dev bound inside: never delete through it.
if grep -q " $root/" /proc/mounts; then echo "something is still mounted under $root"; exit 1; fi
rm -rf --one-file-system "$root"
mkdir "$root"
if [ -f "$folder/base.tar.gz" ]; then
    tar -C "$root" -xzf "$folder/base.tar.gz"
else
    debootstrap --variant=minbase "$release" "$root" "$mirror" >"$folder/debootstrap.log"
    tar -C "$root" -czf "$folder/base.tar.gz" .
fi
git clone -q --no-local "$repo" "$root/src/tavrilo"
cp /etc/resolv.conf "$root/etc/resolv.conf"

# In a mount namespace of its own, so that nothing stays mounted when it ends, however it ends.
in_chroot() {
    unshare --mount --propagation private env ROOT="$root" ARCHIVES="$folder/archives" bash -c '
        set -e
        mount --rbind /dev "$ROOT/dev"
        mount -t proc proc "$ROOT/proc"
        mount -t sysfs sys "$ROOT/sys"
        mount --bind "$ARCHIVES" "$ROOT/var/cache/apt/archives"
        exec chroot "$ROOT" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin \
            LANG=C.UTF-8 bash -c "cd /src/tavrilo && $0"' "$1"
}
in_chroot 'CI=true ./dev.sh test'
in_chroot './dev.sh package'
in_chroot 'cmake --install build --prefix "$(mktemp -d)" >/dev/null'
in_chroot 'cmake --build build --target screenshot'
rm -rf --one-file-system "$root"
echo "fresh $release: all passed"
