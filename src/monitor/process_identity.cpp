// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/process_identity.h"

#include "platform/files.h"
#include "platform/net_tables.h"
#include "platform/process.h"

namespace vanto {

const char* UnknownOwnerText(bool has_rights) {
    return has_rights ? kUnknownOwnerWithRightsText : kUnknownOwnerText;
}

const char* UnknownOwnerText() {
    // The rights do not change while the program runs; asked once, not for every row.
    static const bool has_rights = platform::MayLookIntoEveryProcess();
    return UnknownOwnerText(has_rights);
}

std::string FindProcessExeName(std::uint32_t pid) {
    if (pid == platform::kUnknownOwnerPid) return UnknownOwnerText();
    std::string name;
    if (!platform::GetProcessListName(pid, name) || name.empty()) return "?";
    return name;
}

std::string GetProcessPath(std::uint32_t pid) {
    if (pid == platform::kUnknownOwnerPid) return UnknownOwnerText();
    std::string path;
    if (!platform::GetProcessImagePath(pid, path) || path.empty() || path == "?") return FindProcessExeName(pid);
    return path;
}

std::string UnknownOwnerNotice(bool has_rights, const std::string& readme) {
    if (has_rights) {
        return "Some connections belong to no process this system lets the program see (sockets of the kernel "
               "or of another namespace), so their owner is unknown.";
    }
    std::string text =
        "Some connections belong to processes this program may not look into, so their owner is "
        "unknown. To see every owner, give it the capabilities cap_dac_read_search and cap_sys_ptrace";
    if (readme.empty()) return text + " with setcap.";
    return text + " (the section \"Seeing every owner on Linux\" of " + readme + " shows the setcap line).";
}

std::string ShippedReadme(const std::string& exe_path) {
    const std::size_t cut = exe_path.find_last_of("/\\");
    if (cut == std::string::npos) return {};
    const std::string bin = exe_path.substr(0, cut);
    const std::size_t up = bin.find_last_of("/\\");
    if (up == std::string::npos || bin.compare(up + 1, std::string::npos, "bin") != 0) return {};
    const std::string readme = bin.substr(0, up) + "/share/doc/vantoscope/README.md.gz";
    return platform::ResolvedPath(readme);
}

std::string UnknownOwnerNotice() {
    return UnknownOwnerNotice(platform::MayLookIntoEveryProcess(), ShippedReadme(platform::GetExecutablePath()));
}

}  // namespace vanto
