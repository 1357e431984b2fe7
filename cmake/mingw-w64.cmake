# Cross-compiles the Windows programs with MinGW-w64 (Debian's mingw-w64 packages). The "posix"
# variant of the compiler is the one with std::thread; everything links statically, so that a
# program runs on a Windows machine with nothing installed. Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAVIK_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TAVIK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVIK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVIK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAVIK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Tests (and their discovery at build time) run under Wine, in a prefix of the build folder's
# own: quiet, and without the Mono and Gecko installers, whose dialogs would wait for a click
# on Wine's first start.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_COMMAND} -E env WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all
    "WINEDLLOVERRIDES=mscoree,mshtml=" wine)
