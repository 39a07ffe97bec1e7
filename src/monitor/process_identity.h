// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The process behind a connection: the path of its executable, or failing that the bare
// executable name from the process list, or "?"; for a socket whose owner may not be
// looked up, a text that says so. Nothing is cached: callers ask on every refresh, so a
// process that ends or starts is seen at once.
#pragma once

#include <cstdint>
#include <string>

namespace vanto {

// The process text of a socket whose owner could not be looked up for lack of rights.
inline constexpr const char* kUnknownOwnerText = "Unknown owner (no rights to look it up)";
// Said once, where rows with unknown owners are shown: how to see every owner.
inline constexpr const char* kUnknownOwnerNotice =
    "Some connections belong to processes this program may not look into, so their owner is "
    "unknown. To see every owner, give it the capabilities cap_dac_read_search and cap_sys_ptrace "
    "(the README shows the setcap line).";

// Full executable path, else the bare name from the process list, else "?". Never empty.
std::string GetProcessPath(std::uint32_t pid);
// Executable file name from the process list, or "?" when the process is not listed.
std::string FindProcessExeName(std::uint32_t pid);

}  // namespace vanto
