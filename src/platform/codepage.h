// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Conversion of UTF-16 text (as stored in executables' resources) into the 8-bit text the
// core works with: the ANSI code page on Windows, UTF-8 on Linux.
#pragma once

#include <string>
#include <string_view>

namespace vanto::platform {

// Converts UTF-16 code units to the platform's 8-bit text. Characters the code page cannot
// hold become the code page's default character ("?" for the ANSI code pages); an unpaired
// surrogate becomes U+FFFD on Linux. Embedded NULs are kept: callers cut their text first.
std::string Utf16ToCodePage(std::u16string_view text);

}  // namespace vanto::platform
