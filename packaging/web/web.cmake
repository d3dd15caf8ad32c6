# What the web build installs and packs: the page and everything it loads, in one folder of static
# files (tavrilo-<version>-web.zip). Included by the top-level CMakeLists.txt before CPack.
#   add_web_page(TARGET [EXCLUDE_FROM_ALL] [START_FUNCTIONS FILE]) makes the page of a program
#   built for the web in pages/TARGET of the build folder: the program's own, which is installed,
#   and the benchmarks'. With START_FUNCTIONS, the program comes in two parts: what its start runs
#   (the functions FILE names) and the rest, which the page fetches while the window opens.

set(TAVRILO_WEB ${CMAKE_CURRENT_LIST_DIR})

# The page's content security policy: nothing from any other host, nothing inline but Qt's one
# style sheet (allowed by its digest, noted when this Qt was built), the page's one script (by its
# digest too, site.cmake), the small pictures of Qt's title bars and the worker that decodes the
# background, which page.js makes from its own code. Framing is refused where a host can say so
# (_headers); a <meta> policy cannot.
set(style_digest_file ${QT6_INSTALL_PREFIX}/share/tavrilo/style-sha256)
if(NOT EXISTS ${style_digest_file})
    message(FATAL_ERROR "${style_digest_file} is missing: this Qt was not built by wasm-qt.sh")
endif()
file(STRINGS ${style_digest_file} style_digest LIMIT_COUNT 1)
# The page's own files by default, which the manifest, the service worker and the program's
# fetches fall back to (manifest-src itself, which Safari does not know, would be warned about),
# and nothing at all of what the page never loads.
set(TAVRILO_WEB_POLICY "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; \
style-src 'self' 'sha256-${style_digest}'; img-src 'self' data:; object-src 'none'; \
worker-src 'self' blob:; frame-src 'none'; media-src 'none'; font-src 'none'; base-uri 'none'; \
form-action 'none'")
set(TAVRILO_WEB_STATIC
    ${TAVRILO_WEB}/page.js ${TAVRILO_WEB}/page.css ${TAVRILO_WEB}/manifest.webmanifest
    ${PROJECT_SOURCE_DIR}/assets/pictures/background.png
    ${PROJECT_SOURCE_DIR}/assets/pictures/background@2x.png
    ${PROJECT_SOURCE_DIR}/assets/pictures/icon-192.png
    ${PROJECT_SOURCE_DIR}/assets/pictures/icon-512.png)

find_package(Python3 REQUIRED COMPONENTS Interpreter)

function(add_web_page target)
    cmake_parse_arguments(PARSE_ARGV 1 page "EXCLUDE_FROM_ALL" "START_FUNCTIONS" "")
    set(out ${CMAKE_BINARY_DIR}/pages/${target})
    set(all ALL)
    if(page_EXCLUDE_FROM_ALL)
        set(all "")
        set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
    endif()
    set(dir $<TARGET_FILE_DIR:${target}>)
    set(program COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dir}/${target}.wasm ${out})
    set(rest "")
    if(page_START_FUNCTIONS)
        # Binaryen's wasm-split cuts the linked program into the part its start runs and the rest
        # (.deferred.wasm), whose functions the first part calls through placeholders, which
        # page.js answers, until the rest has come. The linked program names its functions for
        # it, by their linkers' names, which are unique where the readable ones are not.
        find_program(WASM_SPLIT wasm-split REQUIRED)
        target_link_options(${target} PRIVATE --profiling-funcs -Wl,--no-demangle)
        set(rest ${target}.deferred.wasm)
        set(program COMMAND ${WASM_SPLIT} ${dir}/${target}.wasm
            --keep-funcs=@${page_START_FUNCTIONS} --export-prefix=% --enable-mutable-globals
            --quiet -o1 ${out}/${target}.wasm -o2 ${out}/${rest})
    endif()
    # Nothing that the browser's content security policy would refuse: no eval, no Function().
    target_link_options(${target} PRIVATE "SHELL:-s DYNAMIC_EXECUTION=0" "SHELL:-s ENVIRONMENT=web"
        # Binaryen's smallest code, as Qt is compiled (131 KB less than -Os, 6 KB with Brotli);
        # and the linker's map, which packaging/web/size-breakdown.py reads.
        -Oz "-Wl,-Map=$<TARGET_FILE_DIR:${target}>/${target}.map")
    add_custom_command(OUTPUT ${out}/index.html ${out}/sw.js ${out}/_headers
        COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TAVRILO_WEB_STATIC} ${out}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/assets/pictures/icon.png
                ${out}/icon-48.png
        COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${out}
        ${program}
        COMMAND ${CMAKE_COMMAND} -DPROGRAM=${target} "-DREST=${rest}"
                -DSOURCE=${TAVRILO_WEB} -DOUT=${out} "-DPOLICY=${TAVRILO_WEB_POLICY}"
                -DPYTHON=${Python3_EXECUTABLE}
                "-DFILES=${TAVRILO_WEB_STATIC};${out}/icon-48.png"
                -P ${TAVRILO_WEB}/site.cmake
        DEPENDS ${target} ${page_START_FUNCTIONS} ${TAVRILO_WEB_STATIC} ${TAVRILO_WEB}/index.html.in
                ${TAVRILO_WEB}/sw.js.in ${TAVRILO_WEB}/headers.in ${TAVRILO_WEB}/site.cmake
        COMMENT "The web page of ${target}"
        VERBATIM)
    add_custom_target(${target}_page ${all} DEPENDS ${out}/index.html ${out}/sw.js ${out}/_headers)
endfunction()

add_web_page(tavrilo START_FUNCTIONS ${TAVRILO_WEB}/start-functions.txt)
install(DIRECTORY ${CMAKE_BINARY_DIR}/pages/tavrilo/ DESTINATION .)
include(${CMAKE_CURRENT_LIST_DIR}/../licences.cmake)
# Emscripten's C and C++ runtime libraries are linked into the program.
tavrilo_install_licences("emscripten-runtime|/usr/share/doc/emscripten/copyright")

set(CPACK_GENERATOR ZIP)
set(CPACK_SYSTEM_NAME web)
set(CPACK_PACKAGE_FILE_NAME tavrilo-${PROJECT_VERSION}-web)
