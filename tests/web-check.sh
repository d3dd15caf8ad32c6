#!/usr/bin/env bash
# Checks the web page's folder in Debian's Chromium and Firefox ESR, driven by puppeteer-core, and
# in Debian's WebKitGTK, driven through WebKitWebDriver: the learner's session on a private X
# server with real clicks and keys, against the desktop program's pixels (Chromium and Firefox);
# the page as children, their devices and screen readers use it (Chromium and Firefox headless,
# WebKit on a private X server); and what a screen reader finds on AT-SPI.
#   tests/web-check.sh SITE LINUX_BUILD_DIR          runs the checks, up to the first that fails
#   tests/web-check.sh --list SITE LINUX_BUILD_DIR   lists them, one a line: its name, then its
#                                                    command's words, separated by tabs
# The Linux build folder must hold a built tests/tst_smoke: it drives the page too.
set -euo pipefail
list=false
[ "${1:-}" != --list ] || { list=true && shift; }
site=$(realpath "${1:?the folder of the page}")
linux=$(realpath "${2:?the Linux build folder}")
here=$(cd "$(dirname "$0")" && pwd)
x_session=$here/support/x-session

# step NAME TITLE COMMAND...: a check, listed or run.
step() {
    local name=$1 title=$2
    shift 2
    if $list; then
        (IFS=$'\t' && echo "$name"$'\t'"$*")
    else
        echo "== $title"
        "$@"
    fi
}

for browser in chromium firefox; do
    step "tst_smoke $browser" "the page in $browser, driven on the screen" \
        env TAVRILO_SMOKE_BROWSER="$browser" TAVRILO_SMOKE_PAGE="$site" \
        "$x_session" "$linux/tests/tst_smoke" learnerSession
done
step tst_web.mjs "the page in headless Chromium and Firefox and in WebKit: clicks anywhere, the \
message box, phones and tablets, screen readers, a first visit, a new version" \
    "$x_session" node --test-reporter=spec "$here/tst_web.mjs" "$site"
for browser in chromium firefox webkit; do
    step "tst_atspi --page $browser" \
        "the page in $browser on AT-SPI, as a screen reader finds and works it" \
        "$x_session" /usr/bin/python3 "$here/tst_atspi.py" --page "$browser" "$site"
done
