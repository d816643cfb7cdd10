# Install rules: the program and, on X11 systems, its desktop entry, hicolor icons and manual
# page. The Debian package (debian/) installs these and adds its copyright and changelog.
include(GNUInstallDirs)

install(TARGETS vorlane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(NOT WIN32)
    set(vorlane_data ${PROJECT_SOURCE_DIR}/data)
    install(FILES ${vorlane_data}/vorlane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
    )
    foreach(size IN ITEMS 48 128 256)
        install(FILES ${vorlane_data}/icons/${size}/vorlane.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        )
    endforeach()
    # The manual page names the project's version.
    configure_file(${vorlane_data}/vorlane.6 vorlane.6 @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/vorlane.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endif()
