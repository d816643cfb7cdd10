# Install rules and the Debian package: the program, and on X11 systems its desktop entry,
# hicolor icons, manual page and package documents. `cpack -G DEB` (scripts/package) builds
# the .deb from these same rules.
include(GNUInstallDirs)

install(TARGETS vorlane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(NOT WIN32)
    set(vorlane_data ${PROJECT_SOURCE_DIR}/data)
    set(vorlane_gzipped ${PROJECT_BINARY_DIR}/gzipped)

    # Debian wants the manual page and the changelog compressed; -n keeps the archive free of
    # the build's file names and times, so the package is reproducible.
    add_custom_command(
        OUTPUT ${vorlane_gzipped}/vorlane.6.gz ${vorlane_gzipped}/changelog.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${vorlane_gzipped}
        COMMAND ${CMAKE_COMMAND} -E copy ${vorlane_data}/vorlane.6 ${vorlane_data}/changelog
            ${vorlane_gzipped}
        COMMAND gzip -9 -n -f ${vorlane_gzipped}/vorlane.6 ${vorlane_gzipped}/changelog
        DEPENDS ${vorlane_data}/vorlane.6 ${vorlane_data}/changelog
        COMMENT "Compressing the manual page and the changelog"
        VERBATIM
    )
    add_custom_target(vorlane_gzipped_docs ALL
        DEPENDS ${vorlane_gzipped}/vorlane.6.gz ${vorlane_gzipped}/changelog.gz
    )

    install(FILES ${vorlane_data}/vorlane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
    )
    foreach(size IN ITEMS 48 128 256)
        install(FILES ${vorlane_data}/icons/${size}/vorlane.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        )
    endforeach()
    install(FILES ${vorlane_gzipped}/vorlane.6.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6
    )
    install(FILES ${vorlane_data}/copyright ${vorlane_gzipped}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR}
    )

    set(VORLANE_MAINTAINER "vorlane developers <vorlane-dev@example.org>"
        CACHE STRING "Maintainer named in the Debian package")
    set(CPACK_PACKAGE_NAME vorlane)
    set(CPACK_PACKAGE_VENDOR "vorlane developers")
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "spinning, colour-drifting OpenGL sphere demo")
    set(CPACK_PACKAGE_DESCRIPTION
        "A small OpenGL 1.1 desktop demo: a centred 700x700 window in which one lit,\nsmoothly shaded elongated sphere spins about a diagonal axis while its material\ncolours slowly drift. Escape quits."
    )
    set(CPACK_PACKAGE_CONTACT ${VORLANE_MAINTAINER})
    set(CPACK_STRIP_FILES ON)
    set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
        OWNER_READ OWNER_WRITE OWNER_EXECUTE
        GROUP_READ GROUP_EXECUTE
        WORLD_READ WORLD_EXECUTE
    )
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VORLANE_MAINTAINER})
    set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # dpkg-shlibdeps names the packages of the libraries the binary links: freeglut, GLU,
    # libGL (which brings Mesa), libX11 and the C++ runtime.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    include(CPack)
endif()
