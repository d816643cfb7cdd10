# freeglut for the Windows build: the upstream 3.4.0 release, pinned by its SHA-256 (the one
# Debian's signed freeglut_3.4.0-1.dsc gives), from the pool of the Debian mirror apt is
# configured with, else Debian's own. It is built static with this build's toolchain, as a
# project of its own, since freeglut's build writes into the top of whatever build holds it.
# Defines GLUT::GLUT.
include(ExternalProject)

set(freeglut_tarball pool/main/f/freeglut/freeglut_3.4.0.orig.tar.gz)
set(freeglut_urls)
file(GLOB apt_sources /etc/apt/sources.list /etc/apt/sources.list.d/*.list
    /etc/apt/sources.list.d/*.sources)
foreach(apt_source IN LISTS apt_sources)
    file(STRINGS ${apt_source} mirrors REGEX "^[^#]*https?://[^ \t]+/debian/?([ \t]|$)")
    foreach(mirror IN LISTS mirrors)
        string(REGEX MATCH "https?://[^ \t]+/debian" mirror "${mirror}")
        list(APPEND freeglut_urls ${mirror}/${freeglut_tarball})
    endforeach()
endforeach()
list(APPEND freeglut_urls http://deb.debian.org/debian/${freeglut_tarball})
list(REMOVE_DUPLICATES freeglut_urls)

ExternalProject_Add(freeglut
    URL ${freeglut_urls}
    URL_HASH SHA256=3c0bcb915d9b180a97edaebd011b7a1de54583a838644dcd42bb0ea0c6f3eaec
    DOWNLOAD_EXTRACT_TIMESTAMP TRUE DOWNLOAD_NO_PROGRESS TRUE
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
        -DVORLANE_WINDOWS_CPU=${VORLANE_WINDOWS_CPU}
        -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR> -DCMAKE_INSTALL_LIBDIR=lib
        -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON
        -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_REPLACE_GLUT=ON
        # Each of its sources reads windows.h, which takes most of its build time: batched into
        # a few units, it builds in a fifth of the time. In one unit, the header's helpers for
        # programs that call exit() from a DLL would be defined twice; the library needs none.
        -DCMAKE_UNITY_BUILD=ON "-DCMAKE_C_FLAGS_RELEASE=-O3 -DNDEBUG -DGLUT_DISABLE_ATEXIT_HACK"
    # freeglut's static library is named like MinGW's import library for the old glut32.dll,
    # so it is named exactly rather than searched for.
    BUILD_BYPRODUCTS <INSTALL_DIR>/lib/libglut.a
    LOG_CONFIGURE TRUE LOG_BUILD TRUE LOG_INSTALL TRUE LOG_OUTPUT_ON_FAILURE TRUE
)
ExternalProject_Get_Property(freeglut INSTALL_DIR)
file(MAKE_DIRECTORY ${INSTALL_DIR}/include)
add_library(GLUT::GLUT STATIC IMPORTED)
set_target_properties(GLUT::GLUT PROPERTIES IMPORTED_LOCATION ${INSTALL_DIR}/lib/libglut.a
    INTERFACE_INCLUDE_DIRECTORIES ${INSTALL_DIR}/include)
add_dependencies(GLUT::GLUT freeglut)
