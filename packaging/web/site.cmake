# Writes the two files of the web page that depend on the built program (cmake -P): index.html,
# which knows the program's size for its progress bar, and sw.js, whose version is a digest of every
# file the page loads, so that browsers replace their copies whenever one of them changes.
#   -DPROGRAM=name -DPROGRAM_DIR=dir (the built name.js, name.wasm) -DSOURCE=packaging/web
#   -DOUT=dir -DFILES="files;that;ship" (paths; the page's own are named by their file names)
file(SIZE ${PROGRAM_DIR}/${PROGRAM}.wasm TAVRILO_WEB_WASM_BYTES)
set(TAVRILO_WEB_PROGRAM ${PROGRAM})
configure_file(${SOURCE}/index.html.in ${OUT}/index.html @ONLY)

set(digests "")
set(names "\"./\"")
foreach(file IN LISTS FILES ITEMS ${OUT}/index.html ${PROGRAM_DIR}/${PROGRAM}.js
        ${PROGRAM_DIR}/${PROGRAM}.wasm)
    file(SHA256 ${file} digest)
    get_filename_component(name ${file} NAME)
    string(APPEND digests "${name} ${digest}\n")
    string(APPEND names ", \"${name}\"")
endforeach()
string(SHA256 TAVRILO_WEB_VERSION "${digests}")
string(SUBSTRING ${TAVRILO_WEB_VERSION} 0 16 TAVRILO_WEB_VERSION)
set(TAVRILO_WEB_FILES ${names})
configure_file(${SOURCE}/sw.js.in ${OUT}/sw.js @ONLY)
