// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The 8-bit text of a path the system hands out in wide form (a process image, the program's
// own executable). The core works with 8-bit paths, and on Windows the ANSI code page cannot
// hold every file name: a folder named "日本" would come back as "??" and open nothing.
#pragma once

#include <string>
#include <string_view>

namespace vanto::platform {

// Windows: the path in the ANSI code page when the code page holds all of it; else its short
// (8.3) form when the file system gives one the code page holds, which opens the same file;
// else the plain conversion (unopenable, but still readable as a name). Linux: the UTF-8
// bytes of the path, always exact.
std::string WideToAnsiPath(std::wstring_view path);

}  // namespace vanto::platform
