# Which groups of tests this build makes, printed one line each: on, or off and why. With
# VORLANE_BUILD_TESTS=AUTO (the default) a group is made when vorlane is the top-level project
# and the tools it needs are found; with ON (the presets, and so CI) every group this build can
# run is made, and a missing tool stops the configuration; with OFF none is.
set(VORLANE_BUILD_TESTS AUTO CACHE STRING "Build the tests: AUTO (where their tools are found), ON or OFF")
set_property(CACHE VORLANE_BUILD_TESTS PROPERTY STRINGS AUTO ON OFF)
# Off in the package's own build, which makes only the unit tests.
option(VORLANE_END_TO_END_TESTS
    "Test the real program too: on a desktop, in Wine, in a browser, under memcheck, packaged" ON)
set(VORLANE_GTEST_SOURCES /usr/src/googletest CACHE PATH
    "GoogleTest's sources, built with the tests where no installed GoogleTest fits the target")

set(VORLANE_TESTS OFF)
if(VORLANE_BUILD_TESTS STREQUAL AUTO AND NOT PROJECT_IS_TOP_LEVEL)
    set(no_tests "vorlane is not the top-level project")
elseif(NOT VORLANE_BUILD_TESTS)
    set(no_tests "VORLANE_BUILD_TESTS is ${VORLANE_BUILD_TESTS}")
else()
    set(VORLANE_TESTS ON)
    find_package(GTest QUIET)
    if(GTest_FOUND OR EXISTS ${VORLANE_GTEST_SOURCES}/CMakeLists.txt)
        set(GoogleTest_FOUND TRUE)
    endif()
endif()

# Sets `variable`. `unavailable`, if not empty, is why this build has no such group; the other
# arguments are the tools it needs: a package looked for above, or a program, found on PATH or
# named by VORLANE_TOOL_<name>.
function(vorlane_test_group variable group unavailable)
    foreach(tool IN LISTS ARGN)
        if(NOT DEFINED ${tool}_FOUND)
            find_program(VORLANE_TOOL_${tool} ${tool} NO_CMAKE_FIND_ROOT_PATH)
            set(${tool}_FOUND ${VORLANE_TOOL_${tool}})
        endif()
        if(NOT ${tool}_FOUND)
            list(APPEND missing ${tool})
        endif()
    endforeach()
    list(JOIN ARGN ", " tools)
    list(JOIN missing ", " missing)
    set(${variable} OFF PARENT_SCOPE)
    if(NOT VORLANE_TESTS)
        set(unavailable ${no_tests})
    endif()
    if(unavailable)
        message(STATUS "Tests, ${group}: OFF (${unavailable})")
    elseif(missing AND VORLANE_BUILD_TESTS STREQUAL AUTO)
        message(STATUS "Tests, ${group}: OFF (not found: ${missing})")
    elseif(missing)
        message(FATAL_ERROR "The ${group} tests need ${missing}, which was not found: install "
            "it, or configure with -DVORLANE_BUILD_TESTS=AUTO to make only the tests whose tools "
            "are found (docs/testing.md names the variables that point at a tool).")
    else()
        message(STATUS "Tests, ${group}: ON (found: ${tools})")
        set(${variable} ON PARENT_SCOPE)
    endif()
endfunction()

if(EMSCRIPTEN)
    vorlane_test_group(VORLANE_UNIT_TESTS unit "" GoogleTest node)
else()
    vorlane_test_group(VORLANE_UNIT_TESTS unit "" GoogleTest)
endif()
set(wanted ${VORLANE_END_TO_END_TESTS})
if(NOT wanted)
    vorlane_test_group(VORLANE_END_TO_END_TESTS end-to-end "VORLANE_END_TO_END_TESTS is OFF")
elseif(WIN32)
    vorlane_test_group(VORLANE_END_TO_END_TESTS end-to-end "" python3 Xvfb)
elseif(EMSCRIPTEN)
    vorlane_test_group(VORLANE_END_TO_END_TESTS end-to-end "" python3 node chromium)
else()
    # And the X tools that tests/harness.py and scripts/with-xvfb --wm drive the window with.
    vorlane_test_group(VORLANE_END_TO_END_TESTS end-to-end "" python3 Xvfb openbox xprop xdotool
        xwd xwdtopnm pnmtopng pngtopnm)
endif()

# Memcheck runs the unit tests and the real program in the end-to-end tests' X server; neither
# it nor the package's build runs in a cross or sanitized build.
set(cross "not in a cross or sanitized build")
if(NOT CMAKE_CROSSCOMPILING AND NOT VORLANE_SANITIZE)
    set(cross)
endif()
set(memcheck_unavailable ${cross})
if(NOT cross AND NOT (VORLANE_UNIT_TESTS AND VORLANE_END_TO_END_TESTS))
    set(memcheck_unavailable "needs the unit and end-to-end tests")
endif()
set(package_unavailable ${cross})
if(NOT cross AND NOT wanted)
    set(package_unavailable "VORLANE_END_TO_END_TESTS is OFF")
elseif(NOT cross AND NOT EXISTS ${PROJECT_SOURCE_DIR}/debian/control)
    set(package_unavailable "no debian/ folder")
endif()
set(sessions_unavailable ${cross})
if(NOT cross AND NOT VORLANE_END_TO_END_TESTS)
    set(sessions_unavailable "needs the end-to-end tests")
endif()
vorlane_test_group(VORLANE_MEMCHECK_TESTS memcheck "${memcheck_unavailable}" valgrind)
# Two monitors of an Xorg server with the dummy driver, and a Wayland session of Weston's.
vorlane_test_group(VORLANE_SESSION_TESTS "two monitors and Wayland" "${sessions_unavailable}"
    Xorg xrandr weston Xwayland)
vorlane_test_group(VORLANE_PACKAGE_TESTS package "${package_unavailable}" dpkg-buildpackage)
