# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# The Linux install and its Debian package (make package): the program in bin, its desktop
# entry, AppStream metadata and hicolor icons (SVG and PNG), its manual page made from --help,
# the copyright file, changelog and README, and its uninstall entry as a drop-in of the
# machine registry hive (/usr/share/ombrevale/registry.d), which makes an installed copy count
# as installed, not portable. The drop-in is an ordinary file the package owns under /usr, not
# a conffile: removing the package removes the entry, and no maintainer script edits a shared
# file.

if(NOT VS_OS STREQUAL "linux" OR NOT VS_WITH_QT)
  return()
endif()

include(GNUInstallDirs)

# Where the package puts the program; the uninstall entry names it.
set(VS_PACKAGE_PREFIX "/usr")
set(VS_INSTALL_LOCATION "${VS_PACKAGE_PREFIX}/${CMAKE_INSTALL_BINDIR}")
# The machine hive reads the packages' drop-ins from this fixed folder
# (src/platform/linux/hive_store.cpp), whatever the prefix.
set(VS_REGISTRY_DROPIN_DIR "/usr/share/ombrevale/registry.d")
set(VS_HOMEPAGE "https://www.ombrevale.com/?vantoscope")
set(VS_SCREENSHOT_URL "https://www.ombrevale.com/vantoscope/screenshot.png")
set(VS_SCREENSHOT_WIDTH 491)
set(VS_SCREENSHOT_HEIGHT 568)
set(VS_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/vantoscope")

set(_pkg "${PROJECT_BINARY_DIR}/packaging")
configure_file("${PROJECT_SOURCE_DIR}/packaging/uninstall-entry.reg.in" "${_pkg}/vantoscope.reg" @ONLY NEWLINE_STYLE CRLF)
configure_file("${PROJECT_SOURCE_DIR}/packaging/vantoscope.metainfo.xml.in" "${_pkg}/com.ombrevale.vantoscope.metainfo.xml" @ONLY)
configure_file("${PROJECT_SOURCE_DIR}/packaging/changelog.in" "${_pkg}/changelog" @ONLY)

# What Debian wants compressed, with no time stamp in the file (-n) so the package is the same
# for the same source; the manual page from the program's own --help and --version; the PNG
# icons drawn from the SVG as the window's pictures are.
find_program(VS_HELP2MAN help2man REQUIRED)
find_program(VS_GZIP gzip REQUIRED)
set(VS_ICON_SIZES 16 22 24 32 48 64 128 256)
set(_icons "")
foreach(_s IN LISTS VS_ICON_SIZES)
  list(APPEND _icons "${_pkg}/icons/vantoscope-${_s}.png")
endforeach()
add_custom_command(OUTPUT ${_icons}
  COMMAND ${CMAKE_COMMAND} -E make_directory "${_pkg}/icons"
  COMMAND ${_vs_render} png "${PROJECT_SOURCE_DIR}/src/app/resources/vantoscope.svg" "${_pkg}/icons/vantoscope" ${VS_ICON_SIZES}
  DEPENDS "${PROJECT_SOURCE_DIR}/src/app/resources/vantoscope.svg" ${_vs_render_dep}
  COMMENT "Drawing the hicolor icons"
  VERBATIM)
add_custom_command(OUTPUT "${_pkg}/vantoscope.1.gz"
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          ${VS_HELP2MAN} --no-info --no-discard-stderr --section 1 --source "${VANTOSCOPE_COMPANY_NAME}"
          --name "network connection monitor" --output "${_pkg}/vantoscope.1" "$<TARGET_FILE:vantoscope>"
  COMMAND ${VS_GZIP} -9nf "${_pkg}/vantoscope.1"
  DEPENDS vantoscope
  COMMENT "Writing the manual page from --help"
  VERBATIM)
add_custom_command(OUTPUT "${_pkg}/changelog.gz" "${_pkg}/README.md.gz"
  COMMAND ${VS_GZIP} -9nc "${_pkg}/changelog" > "${_pkg}/changelog.gz"
  COMMAND ${VS_GZIP} -9nc "${PROJECT_SOURCE_DIR}/README.md" > "${_pkg}/README.md.gz"
  DEPENDS "${_pkg}/changelog" "${PROJECT_SOURCE_DIR}/README.md"
  VERBATIM)
add_custom_target(vs_package_files ALL
  DEPENDS ${_icons} "${_pkg}/vantoscope.1.gz" "${_pkg}/changelog.gz" "${_pkg}/README.md.gz")

install(TARGETS vantoscope RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/vantoscope.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${_pkg}/com.ombrevale.vantoscope.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${PROJECT_SOURCE_DIR}/src/app/resources/vantoscope.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
foreach(_s IN LISTS VS_ICON_SIZES)
  install(FILES "${_pkg}/icons/vantoscope-${_s}.png" RENAME vantoscope.png
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_s}x${_s}/apps")
endforeach()
install(FILES "${_pkg}/vantoscope.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" "${_pkg}/changelog.gz" "${_pkg}/README.md.gz"
        DESTINATION "${VS_DOC_DIR}")
install(FILES "${_pkg}/vantoscope.reg" DESTINATION "${VS_REGISTRY_DROPIN_DIR}")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "vantoscope")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "${VANTOSCOPE_COMPANY_NAME}")
set(CPACK_PACKAGE_CONTACT "${VANTOSCOPE_COMPANY_NAME} <contact@ombrevale.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Network connection monitor")
set(CPACK_PACKAGE_DESCRIPTION
    "Lists every IPv4 TCP connection and listener and every UDP endpoint of the\nmachine with the program that owns it, named as people know it, refreshed\nonce a second. Without a display it prints the same table.")
set(CPACK_PACKAGING_INSTALL_PREFIX "${VS_PACKAGE_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "net")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the program loads at run time, which the library scan cannot see: Qt's TLS layer loads
# libssl itself, and libqt6gui6 only recommends the platform plugins the window needs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libssl3 | libssl1.1, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VS_HOMEPAGE}")
include(CPack)
