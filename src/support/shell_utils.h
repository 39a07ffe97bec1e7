// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Opens files, folders and web addresses through the desktop shell. Callers ignore the
// result: a failed open shows nothing and is not logged.
#pragma once

#include <optional>
#include <string>

#include "platform/shell.h"

namespace vanto {

// Opens `file_name` (a file, folder or URL) with ShellExecuteEx semantics: no error UI,
// environment variables expanded, no owner window, no working folder. An absent verb
// means the shell's default verb. True when the shell accepted the request.
bool ShellOpen(const std::string& file_name,
               const std::optional<std::string>& parameters = std::nullopt,
               const std::optional<std::string>& verb = std::nullopt, int show_command = 1);

// Opens `file_name` with ShellExecute semantics on behalf of `owner`; each text is passed
// as given, an empty one as an empty string (an empty operation is the default verb).
// True when the shell's answer is greater than 32.
bool ShellOpenWnd(platform::WindowHandle owner, const std::string& operation,
                  const std::string& file_name, const std::string& parameters,
                  const std::string& directory, int show_command);

}  // namespace vanto
