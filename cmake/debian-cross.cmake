# Cross-compiles for Linux on the Debian architecture DEB_HOST_ARCH (arm64, armhf, i386, ...)
# with Debian's cross compiler, against that architecture's libraries installed beside the
# machine's own (multiarch), and runs its programs under qemu-user. dpkg-architecture knows
# every name: i386's compiler is i686-linux-gnu-g++, its libraries are in i386-linux-gnu.
set(DEB_HOST_ARCH "" CACHE STRING "The Debian architecture to build for")
if(NOT DEB_HOST_ARCH)
    message(FATAL_ERROR "debian-cross.cmake needs -DDEB_HOST_ARCH=ARCH (a preset sets it)")
endif()
# try_compile's projects read this file again, with the architecture.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DEB_HOST_ARCH)

# One run (every compiler check reads this file again), which prints every variable.
execute_process(COMMAND dpkg-architecture -a ${DEB_HOST_ARCH} OUTPUT_VARIABLE table ERROR_QUIET
    COMMAND_ERROR_IS_FATAL ANY)
foreach(variable GNU_TYPE MULTIARCH GNU_CPU)
    string(REGEX MATCH "DEB_HOST_${variable}=([^\n]*)" _ "${table}")
    set(${variable} ${CMAKE_MATCH_1})
endforeach()

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${GNU_CPU})
set(CMAKE_CXX_COMPILER ${GNU_TYPE}-g++)
# CMake looks for libraries in this folder and not in the machine's own; pkg-config (which
# finds GLUT) reads this architecture's descriptions only.
set(CMAKE_LIBRARY_ARCHITECTURE ${MULTIARCH})
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${MULTIARCH}/pkgconfig:/usr/share/pkgconfig)

# The loader and libraries are where the architecture's programs look for them
# (/lib/ld-linux-armhf.so.3, the multiarch folders), so qemu needs no -L prefix. qemu names
# x86's 32-bit user mode i386 whichever CPU the compiler targets.
string(REGEX REPLACE "^i[3-6]86$" "i386" qemu_cpu ${GNU_CPU})
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${qemu_cpu})
# Mesa's softpipe draws where llvmpipe fails under qemu: Debian 12's qemu-arm (7.2) runs
# llvmpipe's vector code wrongly (frames come out dark and torn; Debian 13's qemu-arm draws the
# same armhf Mesa right). riscv64 draws with llvmpipe, its default. Its llvmpipe destroys its
# compiler in an exit handler registered at the first frame, so a program that still has its
# context then crashes at exit; the program takes GLUT down before it exits for that reason.
if(qemu_cpu STREQUAL "arm")
    list(PREPEND CMAKE_CROSSCOMPILING_EMULATOR env GALLIUM_DRIVER=softpipe)
endif()
