// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The process behind a connection: the path of its executable, or failing that the bare
// executable name from the process list, or "?". Nothing is cached: callers ask on every
// refresh, so a process that ends or starts is seen at once.
#pragma once

#include <cstdint>
#include <string>

namespace vanto {

// Full executable path, else the bare name from the process list, else "?". Never empty.
std::string GetProcessPath(std::uint32_t pid);
// Executable file name from the process list, or "?" when the process is not listed.
std::string FindProcessExeName(std::uint32_t pid);

}  // namespace vanto
