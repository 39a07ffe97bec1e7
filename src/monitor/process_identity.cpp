// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/process_identity.h"

#include "platform/net_tables.h"
#include "platform/process.h"

namespace vanto {

std::string FindProcessExeName(std::uint32_t pid) {
    if (pid == platform::kUnknownOwnerPid) return kUnknownOwnerText;
    std::string name;
    if (!platform::GetProcessListName(pid, name) || name.empty()) return "?";
    return name;
}

std::string GetProcessPath(std::uint32_t pid) {
    if (pid == platform::kUnknownOwnerPid) return kUnknownOwnerText;
    std::string path;
    if (!platform::GetProcessImagePath(pid, path) || path.empty() || path == "?") return FindProcessExeName(pid);
    return path;
}

}  // namespace vanto
