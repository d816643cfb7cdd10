# Emscripten brings OpenGL, GLU and GLUT itself: GL through its legacy GL emulation on WebGL,
# GLUT as a JavaScript library, with our fixes (gl_fixes.js) linked after both. These
# imported targets stand in for the desktop's so that the program links the same way.
set(VORLANE_WEB_GL_FIXES ${CMAKE_CURRENT_LIST_DIR}/gl_fixes.js CACHE FILEPATH
    "The fixes to the GL emulation (a check of the fixes builds with copies lacking one)")
add_library(OpenGL::GL INTERFACE IMPORTED)
add_library(OpenGL::GLU INTERFACE IMPORTED)
add_library(GLUT::GLUT INTERFACE IMPORTED)
target_link_options(OpenGL::GL INTERFACE
    -sLEGACY_GL_EMULATION=1
    "SHELL:--js-library ${VORLANE_WEB_GL_FIXES}"
)

# The fixes hook the emulation's internals, which change between Emscripten releases; the page
# has been proven with these, Debian 12's and Debian 13's.
set(vorlane_proven_emscriptens 3.1.6 3.1.69)
message(STATUS "Emscripten: ${EMSCRIPTEN_VERSION}")
if(NOT EMSCRIPTEN_VERSION IN_LIST vorlane_proven_emscriptens)
    list(JOIN vorlane_proven_emscriptens " and " proven)
    message(WARNING "Emscripten ${EMSCRIPTEN_VERSION} is not one the page was proven with "
        "(${proven}): web/gl_fixes.js may not fit its GL emulation and GLUT. "
        "scripts/test web shows whether it does.")
endif()
