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

// The process text of a socket whose owner could not be looked up: for lack of rights, or,
// where the program has them, because no process this system shows holds it.
inline constexpr const char* kUnknownOwnerText = "Unknown owner (no rights to look it up)";
inline constexpr const char* kUnknownOwnerWithRightsText = "Unknown owner (no process this system shows)";
const char* UnknownOwnerText(bool has_rights);
// The same for this process's rights.
const char* UnknownOwnerText();
// Said once, where rows with unknown owners are shown: why, and how to see every owner.
// Without the rights: which capabilities to give, and the README section that shows the
// setcap line when `readme` (the README the package ships) is not empty. With them, no right
// would help: the sockets belong to no process this system lets the program see.
std::string UnknownOwnerNotice(bool has_rights, const std::string& readme);
// The same for this process: its rights, and the README installed beside the program.
std::string UnknownOwnerNotice();
// The README shipped with the program (Linux: <prefix>/share/doc/vantoscope/README.md.gz for
// the program in <prefix>/bin), or empty when there is none.
std::string ShippedReadme(const std::string& exe_path);

// Full executable path, else the bare name from the process list, else "?". Never empty.
std::string GetProcessPath(std::uint32_t pid);
// Executable file name from the process list, or "?" when the process is not listed.
std::string FindProcessExeName(std::uint32_t pid);

}  // namespace vanto
