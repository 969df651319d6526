# Install layout and the Debian package.
#
# Programs go to bin/ and the shipped files to share/korvi/, which is where an
# installed program looks for them (exeDir/../share/korvi, see HomeFolder).
# The desktop entry and its icons are installed only with the desktop program.

set(KORVI_INSTALL_DATADIR share/korvi)

install(TARGETS korvi-run RUNTIME DESTINATION bin)
if(TARGET korvi-cscript)
    install(TARGETS korvi-cscript RUNTIME DESTINATION bin)
endif()
if(TARGET korvi)
    install(TARGETS korvi RUNTIME DESTINATION bin)
endif()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${KORVI_INSTALL_DATADIR})

if(TARGET korvi)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/korvi.desktop DESTINATION share/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/data/resource/pic/korvi.png
            DESTINATION share/icons/hicolor/256x256/apps)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/korvi-32.png
            DESTINATION share/icons/hicolor/32x32/apps RENAME korvi.png)
endif()

# ---- CPack: Debian package --------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvi)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Korvi developers")
set(CPACK_PACKAGE_CONTACT "Korvi developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Web collection and search tool")
set(CPACK_PACKAGE_DESCRIPTION
    "Korvi crawls from start URLs with several worker threads, stores every file in a dated\n"
    "run folder and searches each page for the user's words while it goes. Afterwards it\n"
    "searches, ranks, reports and serves what it stored through a small local HTTP server.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Korvi developers")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

# Packages that no library scan finds: fonts, the desktop opener, Qt's
# platform plugins and Qt's Japanese texts for the windows.
set(korvi_runtime_depends "fonts-noto-cjk" "xdg-utils")
if(TARGET korvi)
    list(APPEND korvi_runtime_depends "qt6-qpa-plugins" "qt6-translations-l10n")
endif()

find_program(KORVI_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(KORVI_DPKG_SHLIBDEPS)
    # The library packages come from the binaries themselves.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    set(korvi_library_depends
        "libqt6core6 (>= 6.4)" "libqt6network6 (>= 6.4)" "libqt6qml6 (>= 6.4)"
        "libcurl4 (>= 7.88)" "libsqlite3-0 (>= 3.40)")
    if(TARGET korvi)
        list(APPEND korvi_library_depends "libqt6gui6 (>= 6.4)" "libqt6widgets6 (>= 6.4)")
    endif()
    list(PREPEND korvi_runtime_depends ${korvi_library_depends})
endif()
list(JOIN korvi_runtime_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

include(CPack)
