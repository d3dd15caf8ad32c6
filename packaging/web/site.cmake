# Writes the files of the web page that depend on the build (cmake -P): index.html, which knows
# the program's size for its progress bar, the version of the page's files and the content
# security policy; sw.js, the service worker that keeps that version for offline use, with the
# text of the files the browser loads before it can keep them; and _headers, what a host should
# send with the files (the policy again, with what only a header can say), in the format Netlify
# and Cloudflare Pages read.
#   -DPROGRAM=name (name.js and name.wasm in OUT) -DREST=the file of the program's second part,
#   if it comes in two (name.deferred.wasm, in OUT) -DSOURCE=packaging/web
#   -DOUT=dir -DFILES="files;that;ship" (paths; the page's own are named by their file names)
#   -DPOLICY="the content security policy" -DPYTHON=python3
file(SIZE ${OUT}/${PROGRAM}.wasm TAVRILO_WEB_WASM_BYTES)
set(TAVRILO_WEB_PROGRAM ${PROGRAM})
set(TAVRILO_WEB_REST "${REST}")

# The version is a digest of everything the page is made of, so that browsers replace their
# copies whenever any of it changes.
# The page's one inline script, which starts the program's download (index.html.in), is allowed
# by its digest.
file(READ ${SOURCE}/index.html.in page)
if(NOT page MATCHES "<script>([^<]*)</script>")
    message(FATAL_ERROR "index.html.in has no inline script")
endif()
execute_process(COMMAND ${PYTHON} -c [[
import base64, hashlib, sys
print(base64.b64encode(hashlib.sha256(sys.argv[1].encode()).digest()).decode(), end="")
]] "${CMAKE_MATCH_1}" OUTPUT_VARIABLE script_digest COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "script-src 'self'" "script-src 'self' 'sha256-${script_digest}'" POLICY "${POLICY}")

set(digests "${POLICY}\n")
set(program ${PROGRAM}.js ${PROGRAM}.wasm ${REST})
list(TRANSFORM program PREPEND ${OUT}/)
foreach(file IN LISTS FILES program ITEMS ${SOURCE}/index.html.in ${SOURCE}/sw.js.in)
    file(SHA256 ${file} digest)
    get_filename_component(name ${file} NAME)
    string(APPEND digests "${name} ${digest}\n")
endforeach()
string(SHA256 TAVRILO_WEB_VERSION "${digests}")
string(SUBSTRING ${TAVRILO_WEB_VERSION} 0 16 TAVRILO_WEB_VERSION)

configure_file(${SOURCE}/index.html.in ${OUT}/index.html @ONLY)
configure_file(${SOURCE}/headers.in ${OUT}/_headers @ONLY)

# A file's text as a JavaScript string.
function(js_string variable file)
    file(READ ${file} text)
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    string(REPLACE "\n" "\\n" text "${text}")
    string(REPLACE "\r" "\\r" text "${text}")
    string(REPLACE "\t" "\\t" text "${text}")
    set(${variable} "\"${text}\"" PARENT_SCOPE)
endfunction()
js_string(TAVRILO_WEB_INDEX ${OUT}/index.html)
js_string(TAVRILO_WEB_PAGE_JS ${SOURCE}/page.js)
js_string(TAVRILO_WEB_PAGE_CSS ${SOURCE}/page.css)
configure_file(${SOURCE}/sw.js.in ${OUT}/sw.js @ONLY)

# Precompressed copies of what compresses, for hosts that serve them (nginx's gzip_static and
# brotli_static, Caddy's precompressed, serve.py): the smallest download without compressing on
# every request.
find_program(BROTLI brotli REQUIRED)
find_program(GZIP gzip REQUIRED)
foreach(name index.html sw.js ${PROGRAM}.js ${PROGRAM}.wasm ${TAVRILO_WEB_REST} page.js page.css
        manifest.webmanifest)
    execute_process(COMMAND ${BROTLI} --best --force --keep ${OUT}/${name} COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${GZIP} -9 --no-name --force --keep ${OUT}/${name} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
