# tavrilo_install_licences("name|file"...): installs, in licences/ beside the program, the licences
# of what a statically linked program contains, as this machine's packages state them: Qt (and the
# libraries it bundles) from the Qt source that was built, Qt's Russian texts and the font that are
# embedded, and the runtimes given, each as name.txt; and the program's own as LICENSE.txt.
function(tavrilo_install_licences)
    foreach(pair
            "qt6-base|/usr/share/doc/qt6-base-dev/copyright"
            "LGPL-3|/usr/share/common-licenses/LGPL-3"
            "GPL-3|/usr/share/common-licenses/GPL-3"
            "qt6-translations|/usr/share/doc/qt6-translations-l10n/copyright"
            ${ARGN})
        string(REPLACE "|" ";" pair "${pair}")
        list(GET pair 0 name)
        list(GET pair 1 file)
        if(NOT EXISTS ${file})
            message(FATAL_ERROR "${file} is missing: it is the licence of ${name}, which the program contains")
        endif()
        install(FILES ${file} DESTINATION licences RENAME ${name}.txt)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/assets/fonts/LICENSE-TavriloSans.txt DESTINATION licences)
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
endfunction()
