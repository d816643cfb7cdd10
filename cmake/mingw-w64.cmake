# Cross-compiles for Windows with Debian's MinGW-w64: VORLANE_WINDOWS_CPU is i686 for the
# 32-bit home build (the windows preset) or x86_64 (windows64). Used for the program, its unit
# tests, freeglut and GoogleTest alike, so that everything in one executable is built the same
# way. The posix thread model, because GoogleTest needs std::mutex, which the win32 model of
# this GCC lacks.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT VORLANE_WINDOWS_CPU MATCHES "^(i686|x86_64)$")
    message(FATAL_ERROR "VORLANE_WINDOWS_CPU must be i686 or x86_64, not '${VORLANE_WINDOWS_CPU}'")
endif()
# Compiler checks and freeglut's build read this file again and must see the same CPU.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VORLANE_WINDOWS_CPU)
set(CMAKE_SYSTEM_PROCESSOR ${VORLANE_WINDOWS_CPU})
set(target ${VORLANE_WINDOWS_CPU}-w64-mingw32)

set(CMAKE_C_COMPILER ${target}-gcc-posix)
set(CMAKE_CXX_COMPILER ${target}-g++-posix)
set(CMAKE_RC_COMPILER ${target}-windres)

if(VORLANE_WINDOWS_CPU STREQUAL i686)
    # SSE2 arithmetic instead of the x87 stack, so single and double precision round as they
    # do on x86-64 and the computed geometry matches the other builds bit for bit.
    set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
    set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
    set(wine_arch win32)
else()
    set(wine_arch win64)
endif()
# Tests run under Wine as the scripts run it.
cmake_path(SET wine NORMALIZE "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine")
set(CMAKE_CROSSCOMPILING_EMULATOR ${wine} ${wine_arch})
# libgcc, libstdc++ and winpthread linked in, so there are no DLLs to ship: the executables
# import only system DLLs. No link time in the PE header, so the same sources give the same
# bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")

# Libraries, headers and packages come from the MinGW-w64 tree, never the host's; programs from
# the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${target})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
