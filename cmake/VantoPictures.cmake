# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# The windows' pictures stay SVG in the source; the build draws them with the host's Qt
# (src/app/tools/render_pictures.cpp) into the PNG sizes the windows use, and the program
# loads those PNGs from its resources. So no build of the program links an SVG module, and
# the Windows build, whose Qt has none, looks the same as the Linux one.
#
# A cross build cannot run what it builds: it takes a render_pictures built for this machine
# from VS_RENDER_PICTURES (make windows-gui builds one in build/release first).

if(CMAKE_CROSSCOMPILING)
  set(VS_RENDER_PICTURES "" CACHE FILEPATH "render_pictures built for the build machine")
  if(EXISTS "${VS_RENDER_PICTURES}")
    set(_vs_render "${VS_RENDER_PICTURES}")
    set(_vs_render_dep "${VS_RENDER_PICTURES}")
  else()
    # Configures all the same; building the pictures then stops with this message.
    set(_vs_missing "a cross build draws its pictures with VS_RENDER_PICTURES, a render_pictures built for this machine (cmake --build --preset release --target render_pictures)")
    message(WARNING "${_vs_missing}")
    file(WRITE "${CMAKE_BINARY_DIR}/no_render_pictures.cmake" "message(FATAL_ERROR \"${_vs_missing}\")\n")
    set(_vs_render "${CMAKE_COMMAND}" -P "${CMAKE_BINARY_DIR}/no_render_pictures.cmake")
    set(_vs_render_dep "")
  endif()
else()
  find_package(Qt6 REQUIRED COMPONENTS Svg)
  add_executable(render_pictures "${CMAKE_SOURCE_DIR}/src/app/tools/render_pictures.cpp")
  target_link_libraries(render_pictures PRIVATE Qt6::Gui Qt6::Svg)
  set_target_properties(render_pictures PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
  set(_vs_render "$<TARGET_FILE:render_pictures>")
  set(_vs_render_dep render_pictures)
endif()

# vs_pictures(<target> NAME <resource-name> PREFIX <qrc-prefix> DIR <svg-dir>
#             PICTURES <name>:<size>[,<size>...] ...)
# Sizes are square pixel sizes (name-16.png) or 1x/2x of the picture's own size (name.png,
# name@2x.png). The resource file is compiled under <resource-name> (Q_INIT_RESOURCE).
function(vs_pictures target)
  cmake_parse_arguments(PARSE_ARGV 1 A "" "NAME;PREFIX;DIR" "PICTURES")
  set(out_dir "${CMAKE_CURRENT_BINARY_DIR}/pictures/${A_NAME}")
  set(qrc "${out_dir}/${A_NAME}.qrc")
  set(entries "")
  set(pngs "")
  foreach(p IN LISTS A_PICTURES)
    string(REPLACE ":" ";" parts "${p}")
    list(GET parts 0 name)
    list(GET parts 1 size_text)
    string(REPLACE "," ";" sizes "${size_text}")
    set(outputs "")
    foreach(s IN LISTS sizes)
      if(s STREQUAL "1x")
        set(file "${name}.png")
      elseif(s STREQUAL "2x")
        set(file "${name}@2x.png")
      else()
        set(file "${name}-${s}.png")
      endif()
      list(APPEND outputs "${out_dir}/${file}")
      string(APPEND entries "    <file>${file}</file>\n")
    endforeach()
    set(svg "${A_DIR}/${name}.svg")
    add_custom_command(OUTPUT ${outputs}
      COMMAND ${_vs_render} png "${svg}" "${out_dir}/${name}" ${sizes}
      DEPENDS "${svg}" ${_vs_render_dep}
      COMMENT "Drawing ${name}.svg at ${size_text}"
      VERBATIM)
    list(APPEND pngs ${outputs})
  endforeach()
  file(MAKE_DIRECTORY "${out_dir}")
  file(CONFIGURE OUTPUT "${qrc}" CONTENT
       "<RCC version=\"1.0\">\n  <qresource prefix=\"${A_PREFIX}\">\n${entries}  </qresource>\n</RCC>\n")
  set(cpp "${out_dir}/qrc_${A_NAME}.cpp")
  add_custom_command(OUTPUT "${cpp}"
    COMMAND Qt6::rcc --name "${A_NAME}" --output "${cpp}" "${qrc}"
    DEPENDS "${qrc}" ${pngs} Qt6::rcc
    VERBATIM)
  set_source_files_properties("${cpp}" PROPERTIES SKIP_AUTOGEN ON)
  target_sources(${target} PRIVATE "${cpp}")
endfunction()

# vs_icon_resource(<target> <svg> <size>...): the executable's icon (Windows only), drawn into
# an .ico and compiled into a resource of its own next to the version resource.
function(vs_icon_resource target svg)
  set(ico "${CMAKE_CURRENT_BINARY_DIR}/pictures/${target}.ico")
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/pictures/${target}_icon.rc")
  add_custom_command(OUTPUT "${ico}"
    COMMAND ${_vs_render} ico "${svg}" "${ico}" ${ARGN}
    DEPENDS "${svg}" ${_vs_render_dep}
    COMMENT "Drawing the program icon"
    VERBATIM)
  file(CONFIGURE OUTPUT "${rc}" CONTENT "1 ICON \"${ico}\"\n")
  set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${ico}")
  target_sources(${target} PRIVATE "${rc}")
endfunction()
