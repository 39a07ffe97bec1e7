// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale

#include "support/shell_utils.h"

namespace vanto {

bool ShellOpen(const std::string& file_name, const std::optional<std::string>& parameters,
               const std::optional<std::string>& verb, int show_command) {
    platform::ShellRequest request;
    request.call = platform::ShellRequest::Call::Execute;
    request.file = file_name;
    request.parameters = parameters;
    request.verb = verb;
    request.show_command = show_command;
    return platform::ShellExecuteRequest(request);
}

bool ShellOpenWnd(platform::WindowHandle owner, const std::string& operation,
                  const std::string& file_name, const std::string& parameters,
                  const std::string& directory, int show_command) {
    platform::ShellRequest request;
    request.call = platform::ShellRequest::Call::ExecuteWithOwner;
    request.owner = owner;
    request.verb = operation;
    request.file = file_name;
    request.parameters = parameters;
    request.directory = directory;
    request.show_command = show_command;
    return platform::ShellExecuteRequest(request);
}

}  // namespace vanto
