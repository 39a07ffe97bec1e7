# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# One static library per layer. Each layer links only the layers below it, so an
# include that points upwards fails to build instead of slipping through review.

# vs_layer(<target> DIR <dir> [OS_DIRS] [DEPS <targets>...])
#   Collects <dir>/*.cpp, and with OS_DIRS also <dir>/${VS_OS}/*.cpp, into a static library.
function(vs_layer target)
  cmake_parse_arguments(L "OS_DIRS" "DIR" "DEPS" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS "${L_DIR}/*.cpp")
  if(L_OS_DIRS)
    file(GLOB _os CONFIGURE_DEPENDS "${L_DIR}/${VS_OS}/*.cpp")
    list(APPEND _src ${_os})
  endif()
  if(_src)
    add_library(${target} STATIC ${_src})
    target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${target} PUBLIC ${L_DEPS})
  else()
    # A layer whose first unit has not been written yet.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${target} INTERFACE ${L_DEPS})
  endif()
endfunction()

# vs_tests(<layer-dir> LIBS <targets>...)
#   One test program per tests/<layer-dir>/test_*.cpp (and tests/<layer-dir>/${VS_OS}/test_*.cpp
#   for a backend's own tests), so one broken unit test never hides the rest.
function(vs_tests dir)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  file(GLOB _tests CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/test_*.cpp"
       "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/${VS_OS}/test_*.cpp")
  string(REPLACE "/" "_" _prefix "${dir}")
  foreach(_t ${_tests})
    get_filename_component(_name "${_t}" NAME_WE)
    set(_exe "${_prefix}_${_name}")
    add_executable(${_exe} ${_t})
    target_link_libraries(${_exe} PRIVATE ${T_LIBS} vs_testsupport GTest::gtest GTest::gtest_main GTest::gmock)
    if(CMAKE_CROSSCOMPILING)
      add_test(NAME ${_exe} COMMAND ${_exe})
    else()
      gtest_discover_tests(${_exe} DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "VS_FIXTURES=${CMAKE_CURRENT_SOURCE_DIR}/fixtures;QT_QPA_PLATFORM=offscreen")
    endif()
  endforeach()
endfunction()
