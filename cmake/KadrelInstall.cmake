# SPDX-License-Identifier: GPL-3.0-or-later
# Where an installed Kadrel puts its files, and the Debian package made from them with cpack.
include(GNUInstallDirs)

set(KADREL_APP_ID org.kadrel.Kadrel)
set(KADREL_MAINTAINER "Kadrel maintainers <maintainers@kadrel.org>"
    CACHE STRING "Name and address for the package's Maintainer field and changelog")

# The program finds its window module by a path relative to its own folder, never an absolute
# one, so an installation moved to another prefix still opens its window.
set(KADREL_MODULE_DIR ${CMAKE_INSTALL_LIBDIR}/kadrel)
file(RELATIVE_PATH KADREL_MODULE_DIR_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/kadrel)
set_property(SOURCE src/app/window_loader_posix.cc APPEND PROPERTY
             COMPILE_DEFINITIONS KADREL_MODULE_DIR_FROM_BIN="${KADREL_MODULE_DIR_FROM_BIN}")

# Manual page and changelog, compressed as man and Debian's tools expect them.
configure_file(data/kadrel.1.in kadrel.1 @ONLY)
configure_file(data/changelog.in changelog @ONLY)
add_custom_command(OUTPUT kadrel.1.gz changelog.gz
                   COMMAND gzip -9nkf kadrel.1 changelog
                   DEPENDS ${CMAKE_BINARY_DIR}/kadrel.1 ${CMAKE_BINARY_DIR}/changelog
                   WORKING_DIRECTORY ${CMAKE_BINARY_DIR} VERBATIM)
add_custom_target(kadrel_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/kadrel.1.gz ${CMAKE_BINARY_DIR}/changelog.gz)
# scripts/kadrel builds only the program; the tree it leaves must install all the same.
add_dependencies(kadrel kadrel_docs)

install(TARGETS kadrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS kadrel_window LIBRARY DESTINATION ${KADREL_MODULE_DIR})
install(FILES data/${KADREL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${KADREL_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/${KADREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_BINARY_DIR}/kadrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md LICENSE data/copyright ${CMAKE_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kadrel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kadrel)
set(CPACK_PACKAGE_VENDOR "The Kadrel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copy camcorder clips from a card and name them by date")
# The synopsis comes from the summary; no line may begin with a dot, which is a control
# statement in a Debian description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kadrel brings camcorder recordings from a memory card, or any folder tree,
onto the disk. It finds every clip of one extension (MPEG-2 program streams,
MOD by default, MPG too), copies each into a target folder named after its
date and time, can mark each copy 16:9 by editing the stream in place, and
can delete the copied originals once each copy has been checked. It has a
window with a thumbnail browser and a command line for scripts.")
set(CPACK_PACKAGE_CONTACT "${KADREL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
