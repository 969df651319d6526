# Install layout and the Debian packages.
#
# Programs go to bin/ and the shipped files to share/korvi/, which is where an
# installed program looks for them (exeDir/../share/korvi, see HomeFolder).
# Two components, one package each:
#   headless -> korvi-run: korvi-run, korvi-cscript, the shipped files, their
#               manual pages and the bash completion; no Qt Widgets, no fonts
#   desktop  -> korvi:     the desktop program, its entry, icons and metainfo;
#               depends on korvi-run
# `cmake --install` installs both.

set(KORVI_INSTALL_DATADIR share/korvi)
set(KORVI_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(KORVI_PACKAGE_MAINTAINER "Korvi developers <korvi@example.org>"
    CACHE STRING "Maintainer field of the Debian packages")

# Manual pages and the changelog are installed compressed as Debian wants them
# (gzip -9n: best compression, no name or time stamp, so builds repeat).
find_program(KORVI_GZIP gzip REQUIRED)
set(KORVI_PACKAGE_FILES_DIR ${CMAKE_BINARY_DIR}/package-files)
set(korvi_package_files)
foreach(page korvi korvi-run korvi-cscript)
    set(out ${KORVI_PACKAGE_FILES_DIR}/${page}.1.gz)
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${KORVI_PACKAGE_FILES_DIR}
        COMMAND ${KORVI_GZIP} -9nc ${KORVI_PACKAGING_DIR}/man/${page}.1 > ${out}
        DEPENDS ${KORVI_PACKAGING_DIR}/man/${page}.1
        VERBATIM)
    list(APPEND korvi_package_files ${out})
endforeach()
add_custom_command(OUTPUT ${KORVI_PACKAGE_FILES_DIR}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KORVI_PACKAGE_FILES_DIR}
    COMMAND ${KORVI_GZIP} -9nc ${KORVI_PACKAGING_DIR}/changelog
            > ${KORVI_PACKAGE_FILES_DIR}/changelog.gz
    DEPENDS ${KORVI_PACKAGING_DIR}/changelog
    VERBATIM)
list(APPEND korvi_package_files ${KORVI_PACKAGE_FILES_DIR}/changelog.gz)
add_custom_target(korvi_package_files ALL DEPENDS ${korvi_package_files})

# ---- headless: korvi-run ----------------------------------------------------

install(TARGETS korvi-run RUNTIME DESTINATION bin COMPONENT headless)
if(TARGET korvi-cscript)
    install(TARGETS korvi-cscript RUNTIME DESTINATION bin COMPONENT headless)
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${KORVI_INSTALL_DATADIR}
        COMPONENT headless)
install(FILES ${KORVI_PACKAGE_FILES_DIR}/korvi-run.1.gz ${KORVI_PACKAGE_FILES_DIR}/korvi-cscript.1.gz
        DESTINATION share/man/man1 COMPONENT headless)
install(FILES ${KORVI_PACKAGING_DIR}/completion/korvi-run
        DESTINATION share/bash-completion/completions COMPONENT headless)
install(FILES ${KORVI_PACKAGING_DIR}/copyright ${KORVI_PACKAGE_FILES_DIR}/changelog.gz
        DESTINATION share/doc/korvi-run COMPONENT headless)

# ---- desktop: korvi -----------------------------------------------------------

if(TARGET korvi)
    install(TARGETS korvi RUNTIME DESTINATION bin COMPONENT desktop)
    install(FILES ${KORVI_PACKAGING_DIR}/korvi.desktop DESTINATION share/applications
            COMPONENT desktop)
    install(FILES ${KORVI_PACKAGING_DIR}/org.korvi.korvi.metainfo.xml DESTINATION share/metainfo
            COMPONENT desktop)
    install(FILES ${PROJECT_SOURCE_DIR}/data/resource/pic/korvi.png
            DESTINATION share/icons/hicolor/256x256/apps COMPONENT desktop)
    install(FILES ${KORVI_PACKAGING_DIR}/korvi-48.png
            DESTINATION share/icons/hicolor/48x48/apps RENAME korvi.png COMPONENT desktop)
    install(FILES ${KORVI_PACKAGING_DIR}/korvi-32.png
            DESTINATION share/icons/hicolor/32x32/apps RENAME korvi.png COMPONENT desktop)
    install(FILES ${KORVI_PACKAGING_DIR}/korvi.svg
            DESTINATION share/icons/hicolor/scalable/apps COMPONENT desktop)
    install(FILES ${KORVI_PACKAGE_FILES_DIR}/korvi.1.gz DESTINATION share/man/man1
            COMPONENT desktop)
    install(FILES ${KORVI_PACKAGING_DIR}/copyright ${KORVI_PACKAGE_FILES_DIR}/changelog.gz
            DESTINATION share/doc/korvi COMPONENT desktop)
endif()

# ---- CPack: Debian packages -----------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvi)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Korvi developers")
set(CPACK_PACKAGE_CONTACT "${KORVI_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL headless)
if(TARGET korvi)
    list(APPEND CPACK_COMPONENTS_ALL desktop)
endif()
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORVI_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_HEADLESS_PACKAGE_NAME korvi-run)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME korvi)

# Descriptions: a synopsis, then lines of at most 80 columns.
set(CPACK_DEBIAN_HEADLESS_DESCRIPTION
    "web collection and search tool (command line)\n"
    "Korvi crawls from start URLs with several worker threads, stores every file\n"
    "in a dated run folder and searches each page for the user's words while it\n"
    "goes. Afterwards it searches, ranks, reports and serves what it stored.\n"
    "\n"
    "This package holds korvi-run, the command line without windows, suited to\n"
    "servers and scripts, and korvi-cscript, the host of Korvi's filter scripts.")
string(JOIN "" CPACK_DEBIAN_HEADLESS_DESCRIPTION ${CPACK_DEBIAN_HEADLESS_DESCRIPTION})
set(CPACK_DEBIAN_DESKTOP_DESCRIPTION
    "web collection and search tool (desktop program)\n"
    "Korvi crawls from start URLs with several worker threads, stores every file\n"
    "in a dated run folder and searches each page for the user's words while it\n"
    "goes. Afterwards it searches, ranks, reports and serves what it stored\n"
    "through a small local HTTP server.\n"
    "\n"
    "This package holds the desktop program with its windows.")
string(JOIN "" CPACK_DEBIAN_DESKTOP_DESCRIPTION ${CPACK_DEBIAN_DESKTOP_DESCRIPTION})

# The headless package: the library packages come from the binaries; libcurl
# is named with the version that has CURLOPT_PROTOCOLS_STR, which no symbol
# shows. The desktop package adds what no library scan finds: the headless
# package, CJK fonts, the desktop opener, Qt's platform plugins and Qt's
# Japanese texts.
set(korvi_headless_depends "libcurl4 (>= 7.85.0)")
set(korvi_desktop_depends "korvi-run (= ${PROJECT_VERSION})" "fonts-noto-cjk" "xdg-utils"
    "qt6-qpa-plugins" "qt6-translations-l10n")
find_program(KORVI_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(KORVI_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_HEADLESS_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_DESKTOP_PACKAGE_SHLIBDEPS ON)
else()
    list(APPEND korvi_headless_depends "libqt6core6 (>= 6.4)" "libqt6network6 (>= 6.4)"
        "libqt6qml6 (>= 6.4)" "libsqlite3-0 (>= 3.40)")
    list(APPEND korvi_desktop_depends "libqt6core6 (>= 6.4)" "libqt6gui6 (>= 6.4)"
        "libqt6widgets6 (>= 6.4)")
endif()
list(JOIN korvi_headless_depends ", " CPACK_DEBIAN_HEADLESS_PACKAGE_DEPENDS)
list(JOIN korvi_desktop_depends ", " CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS)
# Pages built by script are rendered through chromium when a profile asks;
# without it runs keep the fetched pages.
set(CPACK_DEBIAN_HEADLESS_PACKAGE_RECOMMENDS "chromium")

include(CPack)
