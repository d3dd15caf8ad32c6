#!/usr/bin/env bash
# Checks the web page's folder in Debian's Chromium and Firefox ESR, driven by puppeteer-core:
# the learner's session on a private X server with real clicks and keys, against the desktop
# program's pixels; the page as children, their devices and screen readers use it, headless; and
# what a screen reader finds on AT-SPI.
#   tests/web-check.sh SITE LINUX_BUILD_DIR
# The Linux build folder must hold a built tests/tst_smoke: it drives the page too.
set -euo pipefail
site=$(realpath "${1:?the folder of the page}")
linux=$(realpath "${2:?the Linux build folder}")
here=$(cd "$(dirname "$0")" && pwd)

for browser in chromium firefox; do
    echo "== the page in $browser, driven on the screen"
    TAVRILO_SMOKE_BROWSER=$browser TAVRILO_SMOKE_PAGE=$site "$here/support/x-session" \
        "$linux/tests/tst_smoke" learnerSession
done
echo "== the page in headless Chromium and Firefox: clicks anywhere, the message box, phones and"
echo "   tablets, screen readers, a first visit, a new version"
node "$here/tst_web.mjs" "$site"
for browser in chromium firefox; do
    echo "== the page in $browser on AT-SPI, as a screen reader finds and works it"
    "$here/support/x-session" /usr/bin/python3 "$here/tst_atspi.py" --page "$browser" "$site"
done
