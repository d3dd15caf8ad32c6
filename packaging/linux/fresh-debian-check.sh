#!/usr/bin/env bash
# Tries the README's commands as a new user would, on a fresh minimal Debian 12: debootstraps
# bookworm into a folder, clones this repository's committed HEAD into it, and runs
# `CI=true ./dev.sh test`, `./dev.sh package`, an install by hand and the screenshot target inside a
# chroot. Needs root and debootstrap; takes a long while (everything is installed and built from
# nothing). Not part of CI.
#   packaging/linux/fresh-debian-check.sh FOLDER [MIRROR]
# A FOLDER/base.tar.gz left by an earlier run is unpacked instead of debootstrapping again.
set -euo pipefail
folder=$(realpath -m "${1:?folder for the fresh system}")
mirror=${2:-http://deb.debian.org/debian}
repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
root=$folder/root

[ "$(id -u)" -eq 0 ] || { echo "needs root (debootstrap, chroot, mount)"; exit 1; }
mkdir -p "$folder"
# A run that was killed may have left the host's /dev and /sys bound inside: never delete through them.
if grep -q " $root/" /proc/mounts; then echo "something is still mounted under $root"; exit 1; fi
rm -rf --one-file-system "$root"
mkdir "$root"
if [ -f "$folder/base.tar.gz" ]; then
    tar -C "$root" -xzf "$folder/base.tar.gz"
else
    debootstrap --variant=minbase bookworm "$root" "$mirror" >"$folder/debootstrap.log"
    tar -C "$root" -czf "$folder/base.tar.gz" .
fi
git clone -q --no-local "$repo" "$root/src/tavrilo"
cp /etc/resolv.conf "$root/etc/resolv.conf"

cleanup() {
    for m in dev sys proc; do umount -R "$root/$m" 2>/dev/null || true; done
}
trap cleanup EXIT
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys" && mount --make-rslave "$root/sys"
mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev"

in_chroot() {
    chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
        bash -c "cd /src/tavrilo && $1"
}
in_chroot 'CI=true ./dev.sh test'
in_chroot './dev.sh package'
in_chroot 'cmake --install build --prefix "$(mktemp -d)" >/dev/null'
in_chroot 'cmake --build build --target screenshot'
echo "fresh Debian 12: all passed"
