# The web preset's toolchain: Emscripten's own toolchain file, from the emsdk that EMSDK names
# when it is set, else from Debian's emscripten package.
if(DEFINED ENV{EMSDK})
    set(emscripten_toolchain $ENV{EMSDK}/upstream/emscripten/cmake/Modules/Platform/Emscripten.cmake)
else()
    set(emscripten_toolchain /usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
endif()
include(${emscripten_toolchain})
