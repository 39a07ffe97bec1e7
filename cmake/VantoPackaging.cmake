# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# The Linux install and its Debian package (make package): the program in bin, its desktop
# entry and hicolor icon, and its uninstall entry as a drop-in of the machine registry hive
# (/etc/ombrevale/registry.d), which makes an installed copy count as installed, not
# portable. The drop-in is an ordinary file of the package, not a conffile: removing the
# package removes the entry, and no maintainer script edits a shared file.

if(NOT VS_OS STREQUAL "linux" OR NOT VS_WITH_QT)
  return()
endif()

include(GNUInstallDirs)

# Where the package puts the program; the uninstall entry names it.
set(VS_PACKAGE_PREFIX "/usr")
set(VS_INSTALL_LOCATION "${VS_PACKAGE_PREFIX}/${CMAKE_INSTALL_BINDIR}")
# The machine hive's folder is fixed (src/platform/linux/hive_store.cpp), whatever the prefix.
set(VS_REGISTRY_DROPIN_DIR "/etc/ombrevale/registry.d")

configure_file("${PROJECT_SOURCE_DIR}/packaging/uninstall-entry.reg.in"
               "${PROJECT_BINARY_DIR}/packaging/vantoscope.reg" @ONLY NEWLINE_STYLE CRLF)

install(TARGETS vantoscope RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/vantoscope.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${PROJECT_SOURCE_DIR}/src/app/resources/vantoscope.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
install(FILES "${PROJECT_BINARY_DIR}/packaging/vantoscope.reg" DESTINATION "${VS_REGISTRY_DROPIN_DIR}")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "vantoscope")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "${VANTOSCOPE_COMPANY_NAME}")
set(CPACK_PACKAGE_CONTACT "${VANTOSCOPE_COMPANY_NAME} <contact@ombrevale.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Network connection monitor")
set(CPACK_PACKAGE_DESCRIPTION
    "Lists every IPv4 TCP connection and listener and every UDP endpoint of the machine with the program that owns it, named as people know it, refreshed once a second.")
set(CPACK_PACKAGING_INSTALL_PREFIX "${VS_PACKAGE_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "net")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's TLS layer loads libssl itself, so the library scan cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libssl3 | libssl1.1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.ombrevale.com/?vantoscope")
include(CPack)
