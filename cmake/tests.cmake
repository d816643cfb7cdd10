# The groups of tests. Each group is an option, on where the tools it needs are found, and
# configure prints one line for each. The presets switch on every group they run: a missing
# tool then stops the configuration. The package's checks are only the package preset's.
option(VORLANE_BUILD_TESTS "Build the tests" ${PROJECT_IS_TOP_LEVEL})
set(VORLANE_GTEST_SOURCES /usr/src/googletest CACHE PATH
    "GoogleTest's sources, built with the tests where no installed GoogleTest fits the target")
if(NOT VORLANE_BUILD_TESTS)
    return()
endif()
find_package(GTest QUIET)
# Else GoogleTest's two sources, unoptimised: its project takes longer to configure.
if(NOT TARGET GTest::gtest_main AND EXISTS ${VORLANE_GTEST_SOURCES}/CMakeLists.txt)
    set(gtest ${VORLANE_GTEST_SOURCES}/googletest)
    add_library(vorlane_gtest STATIC EXCLUDE_FROM_ALL
        ${gtest}/src/gtest-all.cc ${gtest}/src/gtest_main.cc)
    target_include_directories(vorlane_gtest SYSTEM PUBLIC ${gtest}/include PRIVATE ${gtest})
    # Every test runs on one thread.
    target_compile_definitions(vorlane_gtest PUBLIC GTEST_HAS_PTHREAD=0)
    target_compile_options(vorlane_gtest PRIVATE -O0)
    add_library(GTest::gtest_main ALIAS vorlane_gtest)
endif()

# The tools are GoogleTest and programs, found on PATH or named by VORLANE_TOOL_<program>.
function(vorlane_test_group variable group)
    set(missing)
    foreach(tool IN LISTS ARGN)
        if(tool STREQUAL GoogleTest)
            if(NOT GTest_FOUND AND NOT EXISTS ${VORLANE_GTEST_SOURCES}/CMakeLists.txt)
                list(APPEND missing GoogleTest)
            endif()
            continue()
        endif()
        find_program(VORLANE_TOOL_${tool} ${tool} NO_CMAKE_FIND_ROOT_PATH)
        if(NOT VORLANE_TOOL_${tool})
            list(APPEND missing ${tool})
        endif()
    endforeach()
    if(missing)
        option(${variable} "Build the ${group} tests" OFF)
    else()
        option(${variable} "Build the ${group} tests" ON)
    endif()
    list(JOIN missing ", " missing)
    if(${variable} AND missing)
        message(FATAL_ERROR "The ${group} tests need ${missing}: install it, or configure with "
            "-D${variable}=OFF.")
    elseif(${variable})
        message(STATUS "Tests, ${group}: ON")
    elseif(missing)
        message(STATUS "Tests, ${group}: OFF (not found: ${missing})")
    else()
        message(STATUS "Tests, ${group}: OFF (${variable} is OFF)")
    endif()
endfunction()

if(EMSCRIPTEN)
    vorlane_test_group(VORLANE_UNIT_TESTS unit GoogleTest node)
    vorlane_test_group(VORLANE_END_TO_END_TESTS end-to-end node npm chromium python3)
elseif(WIN32)
    vorlane_test_group(VORLANE_UNIT_TESTS unit GoogleTest wine)
    vorlane_test_group(VORLANE_END_TO_END_TESTS end-to-end wine python3 Xvfb xdotool xprop
        xwininfo xwd xwdtopnm pnmtopng pngtopnm pngtopam wrestool)
else()
    vorlane_test_group(VORLANE_UNIT_TESTS unit GoogleTest)
    # The X tools that tests/harness.py and scripts/with-xvfb --wm drive the window with.
    vorlane_test_group(VORLANE_END_TO_END_TESTS end-to-end python3 Xvfb openbox xprop xdotool
        xwininfo xwd xwdtopnm pnmtopng pngtopnm)
endif()
# Two monitors of an Xorg server with the dummy driver, a Wayland session of Weston's, memcheck
# and the package run natively only, and not in a sanitized build.
if(NOT CMAKE_CROSSCOMPILING AND NOT VORLANE_SANITIZE)
    vorlane_test_group(VORLANE_SESSION_TESTS "two monitors and Wayland" Xorg xrandr weston Xwayland)
    vorlane_test_group(VORLANE_MEMCHECK_TESTS memcheck valgrind)
    option(VORLANE_PACKAGE_TESTS "Build the package tests" OFF)
    vorlane_test_group(VORLANE_PACKAGE_TESTS package dpkg-buildpackage lintian
        desktop-file-validate hardening-check)
endif()
