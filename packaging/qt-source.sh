# Shell functions for building a static Qt for another platform from Debian 13's own Qt source
# (with Debian's patches applied) in the Debian 13 build root (build-root.sh), cached per machine:
# sourced by windows/cross-qt.sh and web/wasm-qt.sh.
#   qt_cache_prefix NAME RECIPE OPTION...  prints the prefix that a Qt built with these options is
#                                          cached in (the key covers the version, recipe, options)
#   qt_cached PREFIX                       true if the Qt in PREFIX is complete; notes that it was
#                                          asked for, which keeps it from being removed
#   qt_in_root "$0" "$@"                   re-runs the calling script inside the build root (made
#                                          first if need be), unless it already runs there
#   qt_build PREFIX OPTIONS... -- CMAKE... fetches the source, patches it, configures, builds and
#                                          installs into PREFIX, and marks it complete only when all
#                                          of that worked; a function qt_prepare, if defined, then
#                                          changes the source (run in its folder), and qt_installed,
#                                          if defined, is called with the source folder once Qt is
#                                          installed. Inside the build root only. C++ flags
#                                          of the caller's own, for Qt's code alone, are in the
#                                          array qt_cxx_flags.
# The host tools (moc, rcc, uic) are the build root's qt6-base-dev-tools, the same version.

qt_version=6.8.2

# The patches a Qt is built with, each folder's series file naming them in order: qt-patches/
# here for both Qts, then a folder of the calling script's own, which it appends. The cache key
# covers what they say.
qt_patch_dirs=("$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/qt-patches")
qt_patches() { # prints each patch file, in order
    local dir name
    for dir in "${qt_patch_dirs[@]}"; do
        while read -r name; do
            case $name in '' | '#'*) ;; *) echo "$dir/$name" ;; esac
        done <"$dir/series"
    done
}

# What neither Qt for the program has any use for, configured off in both: the program shows one
# fixed window of buttons, labels and two line edits, and a message box. Less code and data for
# every learner to download in a browser, and a smaller tavrilo.exe. What a learner still sees or
# uses stays: an answer box's context menu, the message box, drag and drop of text, the clipboard,
# on-screen keyboards and screen readers.
qt_unused_features=(
    # Core: MIME types and XML, calendars of other systems, item models but the base
    # ones (which Qt 6.8's compatibility code includes), animations. (Loading libraries at run
    # time stays: Qt 6.8's input methods, which on-screen keyboards need, are built only with it.)
    mimetype mimetype-database xmlstream xmlstreamreader xmlstreamwriter
    commandlineparser filesystemwatcher sharedmemory
    hijricalendar islamiccivilcalendar jalalicalendar
    sortfilterproxymodel stringlistmodel concatenatetablesproxymodel transposeproxymodel
    itemmodeltester animation easingcurve sha3-fast
    # Gui: image formats but PNG (and XPM, the cursors of drag and drop), PDF, pictures and
    # movies, rich text and style sheets, models
    pdf movie picture imageformat_bmp imageformat_ppm imageformat_xbm
    imageformat_jpeg ico image_heuristic_mask image_text imageio-text-loading
    cssparser texthtmlparser textodfwriter textmarkdownreader textmarkdownwriter
    sessionmanager systemtrayicon desktopservices standarditemmodel filesystemmodel validator
    undocommand undostack undogroup
    # Widgets: every kind the window does not have
    itemviews listview treeview tableview columnview listwidget treewidget tablewidget
    completer fscompleter combobox fontcombobox datawidgetmapper undoview
    scrollarea scrollbar slider abstractslider dial spinbox lcdnumber progressbar
    splitter stackedwidget tabbar tabwidget toolbox toolbutton toolbar mainwindow dockwidget
    menubar mdiarea statusbar statustip sizegrip rubberband splashscreen keysequenceedit
    groupbox buttongroup radiobutton commandlinkbutton resizehandler formlayout
    textedit textbrowser syntaxhighlighter graphicsview graphicseffect effects gestures scroller
    tooltip whatsthis wizard colordialog filedialog fontdialog inputdialog errormessage
    progressdialog calendarwidget datetimeedit
)
qt_cache=${XDG_CACHE_HOME:-$HOME/.cache}/tavrilo
qt_build_root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/build-root.sh
qt_cxx_flags=()

qt_cache_prefix() {
    local name=$1 patches
    shift
    patches=$(qt_patches | xargs cat | sha256sum)
    echo "$qt_cache/qt-$qt_version-$name-$(printf '%s\n' "$qt_version" "$@" "$patches" |
        sha256sum | cut -c1-12)"
}

qt_cached() {
    [ -f "$1/.complete" ] && touch "$1"
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
        for patch in $(qt_patches); do
            patch --quiet --forward -p1 -d "$src" <"$patch" ||
                { echo "$patch does not apply" >&2; exit 1; }
        done
        if declare -F qt_prepare >/dev/null; then (cd "$src" && qt_prepare); fi
        mkdir build && cd build
        # No path of this machine in what is built: Qt's sources and build folder by neutral names,
        # and as the prefix that Qt's libraries carry, Qt's default one; Qt is installed here.
        local map="-ffile-prefix-map=$src=qt6-base-$qt_version -ffile-prefix-map=$work/build=qt6-build"
        "$src/configure" -prefix "/usr/local/Qt-$qt_version" -extprefix "$prefix" "${options[@]}" \
            -qt-host-path /usr -- \
            -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
            -DCMAKE_C_FLAGS="$map" -DCMAKE_CXX_FLAGS="$map ${qt_cxx_flags[*]}" "${cmake_options[@]}" \
            >configure.log 2>&1 || { tail -n 40 configure.log >&2; exit 1; }
        # Every error at once, should there be any: each try takes long.
        cmake --build . --parallel "${JOBS:-2}" -- -k 0 >build.log 2>&1 ||
            { grep -A 12 'error:' build.log | head -n 200 >&2; exit 1; }
        cmake --install . >install.log 2>&1 || { tail -n 20 install.log >&2; exit 1; }
        if declare -F qt_installed >/dev/null; then qt_installed "$src"; fi
    ) || return 1
    rm -rf "$work"
    touch "$prefix/.complete"
    echo "Qt $qt_version built in $SECONDS s" >&2
    # Earlier builds of this kind, of any version or recipe, are of no more use once no checkout
    # has asked for them for a week (another branch may still be built with one).
    local kind=${prefix##*/qt-"$qt_version"-}
    kind=${kind%-*}
    find "$qt_cache" -maxdepth 1 -name "qt-*-$kind-*" ! -path "$prefix" -type d \
        ! -newermt '-7 days' -exec rm -rf {} +
}
