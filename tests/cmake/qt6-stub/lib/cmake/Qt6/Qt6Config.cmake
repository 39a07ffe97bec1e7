# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# A stand-in for a Qt 6 installation, for configuring only: the imported targets the build
# asks for, without any file behind them. It shows that a Windows build finds Qt through
# CMAKE_PREFIX_PATH alone (make windows-qt-configure); nothing is ever built against it.
set(Qt6_VERSION 6.5.3)
set(Qt6Core_VERSION_MAJOR 6)
set(Qt6Core_VERSION_MINOR 5)
foreach(_c IN LISTS Qt6_FIND_COMPONENTS)
  if(NOT _c MATCHES "^(Core|Gui|Widgets|Network|Svg)$")
    set(Qt6_FOUND FALSE)
    set(Qt6_NOT_FOUND_MESSAGE "the Qt stand-in has no component ${_c}")
    return()
  endif()
  if(NOT TARGET Qt6::${_c})
    add_library(Qt6::${_c} INTERFACE IMPORTED)
  endif()
  set(Qt6${_c}_FOUND TRUE)
endforeach()
foreach(_tool moc rcc uic)
  if(NOT TARGET Qt6::${_tool})
    add_executable(Qt6::${_tool} IMPORTED)
    set_target_properties(Qt6::${_tool} PROPERTIES IMPORTED_LOCATION /bin/true)
  endif()
endforeach()
set(Qt6_FOUND TRUE)
