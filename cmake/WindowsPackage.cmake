# The Windows package: keelson.exe and keelson-cli.exe with everything they
# need in one flat folder, as Windows' loader looks for DLLs beside the
# program; made into a portable zip and an NSIS installer by CPack
# (make windows-package).
install(TARGETS keelson keelson-cli RUNTIME DESTINATION .)
install(FILES ${KEELSON_WINDOWS_RUNTIME_DLLS} DESTINATION .)
# Debian's runtime DLLs carry their debugging sections (libstdc++ is 23 MB
# with them, 2 MB without).
foreach(dll IN LISTS KEELSON_WINDOWS_RUNTIME_DLLS)
    get_filename_component(dllName ${dll} NAME)
    install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --strip-debug
                                  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${dllName}\")")
endforeach()
foreach(module Core Gui Widgets)
    install(FILES ${KEELSON_QT_PREFIX}/bin/Qt6${module}.dll DESTINATION .)
endforeach()
# The plugins the program loads: the Windows platform and the style of
# Windows Vista and later.
install(FILES ${KEELSON_QT_PREFIX}/plugins/platforms/qwindows.dll DESTINATION platforms)
install(FILES ${KEELSON_QT_PREFIX}/plugins/styles/qwindowsvistastyle.dll DESTINATION styles)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/presets/ DESTINATION presets
        FILES_MATCHING PATTERN "*.ut_pre")
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE.txt DESTINATION .)

# The licences of what comes with Keelson.
file(GLOB qtLicences ${KEELSON_QT_PREFIX}/licenses/*)
list(FILTER qtLicences EXCLUDE REGEX "Commercial")
install(FILES ${qtLicences} DESTINATION licenses/Qt)
set(KEELSON_QT_SOURCE "Debian's qt6-base source package")
set(KEELSON_QT_OPTIONS "(not recorded: this kit was not built by scripts/build-qt-windows)")
if(EXISTS ${KEELSON_QT_PREFIX}/KEELSON-KIT.txt)
    file(STRINGS ${KEELSON_QT_PREFIX}/KEELSON-KIT.txt kit)
    list(GET kit 0 KEELSON_QT_SOURCE)
    list(GET kit 1 KEELSON_QT_OPTIONS)
    string(REPLACE "configure options: " "" KEELSON_QT_OPTIONS "${KEELSON_QT_OPTIONS}")
endif()
configure_file(${CMAKE_SOURCE_DIR}/resources/windows/QT-SOURCE.txt.in
               ${CMAKE_BINARY_DIR}/QT-SOURCE.txt @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/QT-SOURCE.txt DESTINATION licenses/Qt RENAME SOURCE.txt)
install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright
        DESTINATION licenses/MinGW RENAME gcc-runtime-copyright.txt)
install(FILES /usr/share/doc/mingw-w64-common/copyright
        DESTINATION licenses/MinGW RENAME mingw-w64-copyright.txt)
install(FILES /usr/share/common-licenses/GPL-3
        DESTINATION licenses/MinGW RENAME GPL-3.txt)
install(FILES /usr/share/doc/libdtl-dev/copyright DESTINATION licenses/dtl RENAME copyright.txt)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME keelson)
set(CPACK_PACKAGE_VENDOR Brindlewood)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Bots and server packages of Unreal Tournament's INI files")
set(CPACK_PACKAGE_FILE_NAME keelson-${PROJECT_VERSION}-win64)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE.txt)
set(CPACK_STRIP_FILES ON)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Keelson)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Keelson)
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME Keelson)
set(CPACK_NSIS_DISPLAY_NAME Keelson)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_PACKAGE_EXECUTABLES keelson Keelson)
set(CPACK_NSIS_INSTALLED_ICON_NAME keelson.exe)
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/resources/icon/keelson.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_SOURCE_DIR}/resources/icon/keelson.ico)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
# The zip is keelson-VERSION-win64.zip, the installer
# keelson-VERSION-win64-setup.exe.
configure_file(${CMAKE_SOURCE_DIR}/resources/windows/CPackOptions.cmake.in
               ${CMAKE_BINARY_DIR}/CPackOptions.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackOptions.cmake)
include(CPack)
