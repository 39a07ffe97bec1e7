# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Ombrevale
#
# The program's own version resource, built from the one version number of the project.
# Windows: a VERSIONINFO resource compiled from src/app/vantoscope.rc.in.
# Linux: the same VS_VERSIONINFO bytes, written here into a generated .cpp whose array lands
# in the ELF section ".vs_version_info", where support/pe_version_reader finds it.
#
# vs_version_info(<object-library>) creates an OBJECT library; linking it into an executable
# puts the resource into that executable (object files are never dropped by the linker).

set(VS_VERSION_INFO_DESCRIPTION "Vantoscope network connection monitor")

# Byte lists are CMake lists of "0xNN" items.
function(_vs_vi_byte out value)
  # The 0x100 bit makes math() print three digits; the last two are the byte.
  math(EXPR t "((${value}) & 0xFF) | 0x100" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${t}" 3 2 digits)
  set(${out} "0x${digits}" PARENT_SCOPE)
endfunction()

function(_vs_vi_u16 out value)
  _vs_vi_byte(lo "${value}")
  _vs_vi_byte(hi "(${value}) >> 8")
  set(${out} ${${out}} ${lo} ${hi} PARENT_SCOPE)
endfunction()

function(_vs_vi_u32 out value)
  set(b ${${out}})
  math(EXPR low "(${value}) & 0xFFFF")
  math(EXPR high "((${value}) >> 16) & 0xFFFF")
  _vs_vi_u16(b ${low})
  _vs_vi_u16(b ${high})
  set(${out} ${b} PARENT_SCOPE)
endfunction()

# UTF-16LE of a printable-ASCII text with its terminator; the number of UTF-16 units in `units`.
function(_vs_vi_utf16 out units text)
  if(text MATCHES "[^ -~]")
    message(FATAL_ERROR "version resource texts must be printable ASCII: '${text}'")
  endif()
  set(b ${${out}})
  string(LENGTH "${text}" n)
  if(n GREATER 0)
    string(HEX "${text}" hex)
    string(REGEX MATCHALL ".." chars "${hex}")
    foreach(c IN LISTS chars)
      list(APPEND b "0x${c}" "0x00")
    endforeach()
  endif()
  list(APPEND b 0x00 0x00)
  math(EXPR n "${n} + 1")
  set(${out} ${b} PARENT_SCOPE)
  set(${units} ${n} PARENT_SCOPE)
endfunction()

function(_vs_vi_pad4 out)
  set(b ${${out}})
  list(LENGTH b n)
  math(EXPR r "${n} % 4")
  while(NOT r EQUAL 0)
    list(APPEND b 0x00)
    math(EXPR r "(${r} + 1) % 4")
  endwhile()
  set(${out} ${b} PARENT_SCOPE)
endfunction()

# One block: wLength, wValueLength, wType, key, value, children (each starting 4-aligned).
# `value` and `children` name list variables (children: a list of variable names).
function(_vs_vi_block out key type value_var value_length)
  set(b)
  _vs_vi_utf16(b _units "${key}")
  list(PREPEND b 0 0 0 0 0 0)
  _vs_vi_pad4(b)
  list(APPEND b ${${value_var}})
  foreach(child IN LISTS ARGN)
    _vs_vi_pad4(b)
    list(APPEND b ${${child}})
  endforeach()
  list(LENGTH b length)
  if(length GREATER 65535)
    message(FATAL_ERROR "version resource block '${key}' is too long")
  endif()
  set(head)
  _vs_vi_u16(head ${length})
  _vs_vi_u16(head ${value_length})
  _vs_vi_u16(head ${type})
  list(REMOVE_AT b 0 1 2 3 4 5)
  list(PREPEND b ${head})
  set(${out} ${b} PARENT_SCOPE)
endfunction()

function(_vs_vi_string out key text)
  set(value)
  _vs_vi_utf16(value units "${text}")
  _vs_vi_block(b "${key}" 1 value ${units})
  set(${out} ${b} PARENT_SCOPE)
endfunction()

# The whole VS_VERSIONINFO as a byte list in `out`.
function(vs_version_info_bytes out)
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(v${part} "${PROJECT_VERSION_${part}}")
    if(v${part} STREQUAL "")
      set(v${part} 0)
    endif()
  endforeach()
  math(EXPR ms "(${vMAJOR} << 16) | ${vMINOR}")
  math(EXPR ls "(${vPATCH} << 16) | ${vTWEAK}")

  set(fixed)
  foreach(v 0xFEEF04BD 0x00010000 ${ms} ${ls} ${ms} ${ls} 0x3F 0 0x00040004 1 0 0 0)
    _vs_vi_u32(fixed ${v})
  endforeach()

  _vs_vi_string(s1 CompanyName "${VANTOSCOPE_COMPANY_NAME}")
  _vs_vi_string(s2 FileDescription "${VS_VERSION_INFO_DESCRIPTION}")
  _vs_vi_string(s3 FileVersion "${PROJECT_VERSION}")
  _vs_vi_string(s4 ProductName "${VANTOSCOPE_PRODUCT_NAME}")
  _vs_vi_string(s5 ProductVersion "${PROJECT_VERSION}")
  set(none)
  _vs_vi_block(table 040904B0 1 none 0 s1 s2 s3 s4 s5)
  _vs_vi_block(sfi StringFileInfo 1 none 0 table)

  set(translation)
  _vs_vi_u16(translation 0x0409)
  _vs_vi_u16(translation 0x04B0)
  _vs_vi_block(var Translation 0 translation 4)
  _vs_vi_block(vfi VarFileInfo 1 none 0 var)

  _vs_vi_block(root VS_VERSION_INFO 0 fixed 52 sfi vfi)
  set(${out} ${root} PARENT_SCOPE)
endfunction()

function(vs_version_info target)
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/generated")
  if(WIN32)
    foreach(part MAJOR MINOR PATCH TWEAK)
      set(VS_VI_${part} "${PROJECT_VERSION_${part}}")
      if(VS_VI_${part} STREQUAL "")
        set(VS_VI_${part} 0)
      endif()
    endforeach()
    configure_file("${PROJECT_SOURCE_DIR}/src/app/vantoscope.rc.in" "${dir}/vantoscope.rc" @ONLY)
    add_library(${target} OBJECT "${dir}/vantoscope.rc")
    return()
  endif()

  vs_version_info_bytes(bytes)
  list(LENGTH bytes count)
  set(lines)
  set(line "   ")
  set(i 0)
  foreach(b IN LISTS bytes)
    string(APPEND line " ${b},")
    math(EXPR i "${i} + 1")
    if(i EQUAL 12)
      string(APPEND lines "${line}\n")
      set(line "   ")
      set(i 0)
    endif()
  endforeach()
  if(i GREATER 0)
    string(APPEND lines "${line}\n")
  endif()
  # file(CONFIGURE) rewrites the file only when its content changes, so builds stay incremental.
  file(CONFIGURE OUTPUT "${dir}/vs_version_info.cpp" @ONLY CONTENT [=[
// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Generated by cmake/VantoVersionInfo.cmake from the project's version number; do not edit.
// The VS_VERSIONINFO of the executable (@count@ bytes), in the ELF section the version
// reader looks for.
#include <cstdint>

namespace {

#if defined(__has_attribute)
#if __has_attribute(retain)
#define VS_RETAIN __attribute__((retain))
#endif
#endif
#ifndef VS_RETAIN
#define VS_RETAIN
#endif

// "used" keeps the compiler from dropping the unreferenced array, "retain" the linker.
alignas(4) __attribute__((section(".vs_version_info"), used)) VS_RETAIN const std::uint8_t kVersionInfo[] = {
@lines@};

}  // namespace
]=])
  add_library(${target} OBJECT "${dir}/vs_version_info.cpp")
endfunction()
