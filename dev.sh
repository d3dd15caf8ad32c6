#!/usr/bin/env bash
# Sets up a Debian 12 or 13 machine for Tavrilo and builds it. Safe to run again: it installs
# only what is missing and rebuilds only what changed.
#   ./dev.sh run     build and open the program (needs a display)
#   ./dev.sh test    build and run the whole test suite headless; with CI=true (or --sanitize)
#                    it runs the suite a second time under AddressSanitizer and UBSan
#   ./dev.sh bench   build and run the benchmarks
#   ./dev.sh package build the Debian package, check it as a distribution would, install it, start it
#   ./dev.sh windows cross-build the Windows program, zip and installer into build-windows/ and
#                    check them under Wine; the first run builds a static Qt for Windows (about an
#                    hour), which later runs reuse
#   ./dev.sh web     build the web page into build-web/site and its zip, and drive it in
#                    Chromium, Firefox and WebKit; the first run builds a Qt for WebAssembly (15
#                    to 20 minutes)
#   ./dev.sh web --serve   serve build-web/site on 127.0.0.1 for a try in a browser
#   ./dev.sh web --bench   build the web page and run the web benchmark (Chromium; a child's random
#                          session in Chromium, Firefox and WebKit)
set -euo pipefail
cd "$(dirname "$0")"

jobs=${JOBS:-2}
packages=(cmake ninja-build g++ python3 qt6-base-dev qt6-translations-l10n qt6-l10n-tools)
test_packages=(git xvfb xdotool x11-utils imagemagick clang-format weston qt6-wayland dbus-daemon
    at-spi2-core python3-pyatspi)
package_packages=(dpkg-dev file lintian appstream desktop-file-utils python3 xvfb xdotool x11-utils)
bench_packages=(xvfb)
# The Windows and web programs are built in a Debian 13 build root (packaging/build-root.sh), which
# debootstrap makes; they are checked here, under Wine and in Debian's browsers.
windows_packages=(debootstrap wine wine64 xvfb xdotool x11-utils imagemagick unzip openbox)
# WebKit (Safari's engine) is Debian's WebKitGTK in a small window of the checks' own
# (tests/support/webkit-shell.py), which WebKitWebDriver drives.
web_packages=(debootstrap chromium firefox-esr python3 xvfb xdotool x11-utils imagemagick
    libwebkit2gtk-4.1-0 gir1.2-webkit2-4.1 python3-gi webkit2gtk-driver)

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

need() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

# The builds and suites are CMake's presets (CMakePresets.json), which IDEs read too.
build() { # build PRESET
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -j "$jobs"
}
case "${1:-}" in
run)
    need "${packages[@]}"
    build default
    exec build/app/tavrilo
    ;;
test)
    need "${packages[@]}" "${test_packages[@]}"
    # The code follows .clang-format; a file that does not fails the run before anything is built.
    git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
    build default
    ctest --preset default -j "$jobs"
    if [ "${CI:-}" = true ] || [ "${2:-}" = --sanitize ]; then
        # The suite again under AddressSanitizer and UBSan (the preset says how they report; Qt
        # 6.8 leaks a D-Bus question to the desktop portal where none answers, so it is not asked).
        build sanitize
        ctest --preset sanitize -j "$jobs"
        # The answer fuzzer under the same sanitizers, for a fixed number of inputs. Clang's
        # sanitizer and fuzzer runtimes come in a package named by its major version (14 on
        # Debian 12, 19 on Debian 13).
        need clang
        need "libclang-rt-$(clang -dumpversion | cut -d. -f1)-dev"
        build fuzz
    fi
    if [ "${CI:-}" = true ]; then
        need "${package_packages[@]}"
        tests/package-check.sh build
    fi
    ;;
bench)
    need "${packages[@]}" "${bench_packages[@]}"
    build default
    cmake --build --preset default --target run-benchmarks
    ;;
package)
    need "${packages[@]}" "${package_packages[@]}"
    build default
    tests/package-check.sh build
    ;;
windows)
    need "${packages[@]}" "${test_packages[@]}" "${windows_packages[@]}"
    build default
    packaging/windows/build.sh build-windows
    tests/windows-check.sh build-windows build
    ;;
web)
    if [ "${2:-}" = --serve ]; then
        [ -f build-web/site/index.html ] || { echo "No build-web/site yet: run ./dev.sh web"; exit 1; }
        exec python3 tests/support/serve.py build-web/site --port "${PORT:-8000}"
    fi
    need "${packages[@]}" "${test_packages[@]}" "${web_packages[@]}"
    # The browser drivers, puppeteer-core and selenium-webdriver, from npm as the lock file pins
    # them.
    command -v npm >/dev/null || need nodejs npm
    if [ ! -f tests/support/node_modules/.package-lock.json ] ||
        [ tests/support/package-lock.json -nt tests/support/node_modules/.package-lock.json ]; then
        npm ci --prefix tests/support --no-audit --no-fund --ignore-scripts --loglevel=error
    fi
    build default
    if [ "${2:-}" = --bench ]; then
        packaging/web/build.sh build-web bench_launch_form1_page bench_launch_bare_page
        # WebKit's random session needs a display.
        tests/support/x-session node bench/web.mjs build-web/pages
    else
        packaging/web/build.sh build-web
        tests/web-check.sh build-web/site build
    fi
    ;;
*)
    sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
