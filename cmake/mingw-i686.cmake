# Cross-compiles for 32-bit Windows with Debian's MinGW-w64 (the windows preset). Used for the
# program, its unit tests, freeglut and GoogleTest alike, so that everything in one executable
# is built the same way. The posix thread model, because GoogleTest needs std::mutex, which the
# win32 model of this GCC lacks.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

# SSE2 arithmetic instead of the x87 stack, so single and double precision round as they do
# on x86-64 and the computed geometry matches the other builds bit for bit.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# libgcc, libstdc++ and winpthread linked in, so there are no DLLs to ship: the executables
# import only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Libraries, headers and packages come from the MinGW-w64 tree, never the host's; programs from
# the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
