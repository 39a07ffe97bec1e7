// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/path_text.h"

#include "platform/files.h"

namespace vanto::platform {

// Wide text stands for the file system's bytes here, so the conversion never loses anything.
std::string WideToAnsiPath(std::wstring_view path) { return WideToAnsi(path); }

}  // namespace vanto::platform
