#!/usr/bin/env bash
# Makes the page that the web benchmark measures the first visit against: the page as a given
# commit built it (by default a8bb2fc, the last before the page was made lighter), kept in
# ${XDG_CACHE_HOME:-~/.cache}/tavrilo/web-baseline/COMMIT. The commit's own scripts build it, with
# a Qt of its own, in a cache folder of their own (they would remove other Qts from the shared
# one): a first run takes about half an hour.
#   bench/web-baseline.sh [COMMIT]
set -euo pipefail
commit=${1:-a8bb2fc}
repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/tavrilo
kept=$cache/web-baseline/$commit
[ -f "$kept/index.html" ] && { echo "$kept"; exit 0; }
work=$(mktemp -d)
trap 'git -C "$repo" worktree remove --force "$work/tree" 2>/dev/null || true; rm -rf "$work"' EXIT
git -C "$repo" worktree add --detach "$work/tree" "$commit" >/dev/null
XDG_CACHE_HOME=$cache/web-baseline/home "$work/tree/packaging/web/build.sh" "$work/tree/build-web" >&2
mkdir -p "$(dirname "$kept")"
cp -a "$work/tree/build-web/site" "$kept"
echo "$kept"
