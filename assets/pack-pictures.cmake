# Packs the PNG pictures of a folder as small as they go, the same pixels (zopflipng, from
# Debian's zopfli): a browser downloads them.   cmake -DZOPFLIPNG=… -DDIR=… -P pack-pictures.cmake
if(NOT ZOPFLIPNG)
    message(FATAL_ERROR "zopflipng is missing: install zopfli")
endif()
file(GLOB pictures ${DIR}/*.png)
foreach(picture IN LISTS pictures)
    execute_process(COMMAND ${ZOPFLIPNG} -y -m ${picture} ${picture} OUTPUT_QUIET
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
