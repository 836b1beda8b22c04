# What `cmake --install` puts where, and the Debian package made from it
# (`make deb`, or `cpack -G DEB` in a build folder).
if(WIN32 AND KEELSON_GUI)
    include(${CMAKE_CURRENT_LIST_DIR}/WindowsPackage.cmake)
    return()
endif()

include(GNUInstallDirs)

if(KEELSON_GUI)
    install(TARGETS keelson RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS keelson-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The sample presets; the program looks for them in "presets" beside its
# executable first, then in ../share/keelson/presets.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/presets/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/keelson/presets
        FILES_MATCHING PATTERN "*.ut_pre")

install(FILES ${CMAKE_SOURCE_DIR}/docs/keelson-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(KEELSON_GUI)
    install(FILES ${CMAKE_SOURCE_DIR}/docs/keelson.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/keelson.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/keelson.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    foreach(size 48 128 256)
        install(FILES ${CMAKE_SOURCE_DIR}/resources/icon/keelson-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME keelson.png)
    endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keelson)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Bots and server packages of Unreal Tournament's INI files")
set(CPACK_PACKAGE_DESCRIPTION
    "Keelson looks after the parts of Unreal Tournament's INI files that server\n\
administrators otherwise edit by hand: the 32 bots of the user INI, kept in\n\
bot libraries of any size, and the ServerPackages list of the system INI.\n\
keelson is the desktop program; keelson-cli does the same work on a server\n\
without a display.")
set(CPACK_PACKAGE_CONTACT "Keelson developers <keelson@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# keelson_1.0_amd64.deb, its library dependencies found by dpkg-shlibdeps.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xdg-utils)
include(CPack)
