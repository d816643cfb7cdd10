# Cross-compiles for Linux on arm64 with Debian's cross compiler, against the arm64 libraries
# installed beside the machine's own (multiarch). The compiler names their folder,
# /usr/lib/aarch64-linux-gnu, to CMake, which then finds no library of the machine's own.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# pkg-config (which finds GLUT) reads the arm64 libraries' descriptions only.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)

# The tests run under qemu-user. The arm64 loader and libraries are where arm64 programs look
# for them (/lib/ld-linux-aarch64.so.1, the multiarch folders), so it needs no -L prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
