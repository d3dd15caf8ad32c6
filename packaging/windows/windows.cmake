# What the Windows build installs and packs: a portable zip and an NSIS installer, each with the
# program file and the licences of everything inside it. Included by the top-level CMakeLists.txt
# before CPack.

include(${CMAKE_CURRENT_LIST_DIR}/../licences.cmake)
# The MinGW-w64 runtime and GCC's runtime libraries are linked in.
tavrilo_install_licences("mingw-w64-runtime|/usr/share/doc/mingw-w64-x86-64-dev/copyright"
                         "gcc-runtime|/usr/share/doc/gcc-mingw-w64-base/copyright")

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tavrilo)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Tavrilo)
set(CPACK_PACKAGE_EXECUTABLES tavrilo Tavrilo) # the Start-menu shortcut
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME Tavrilo)
set(CPACK_NSIS_DISPLAY_NAME Tavrilo)
set(CPACK_NSIS_INSTALLED_ICON_NAME tavrilo.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/assets/pictures/tavrilo.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/assets/pictures/tavrilo.ico)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON) # the licences are installed beside the program
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# tavrilo-<version>-win64.zip and tavrilo-<version>-win64-setup.exe
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_FILE_NAME tavrilo-${PROJECT_VERSION}-win64)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-per-generator.cmake)

# CMake's own installer script with two changes. The installer is a 64-bit program, like the one it
# installs, so that it runs wherever the program does (also under a Wine that has no 32-bit side,
# as on this project's machines). And it speaks Russian, like the program, rather than the language
# of the system it runs on.
file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in template)
function(tavrilo_nsis_add_line anchor line)
    string(FIND "${template}" "${anchor}" at)
    if(at LESS 0)
        message(FATAL_ERROR "CMake's NSIS template has changed: no \"${anchor}\"")
    endif()
    string(REPLACE "${anchor}" "${anchor}${line}\n" template "${template}")
    set(template "${template}" PARENT_SCOPE)
endfunction()
tavrilo_nsis_add_line("designed for a nmake build\n" "Target amd64-unicode")
tavrilo_nsis_add_line("Function .onInit\n" "  StrCpy $LANGUAGE \${LANG_RUSSIAN}")
file(WRITE ${PROJECT_BINARY_DIR}/nsis/NSIS.template.in "${template}")
set(CPACK_MODULE_PATH ${PROJECT_BINARY_DIR}/nsis)
