// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// What the operating system says about a running process: its executable's full path and
// the bare executable name of its entry in the process list.
#pragma once

#include <cstdint>
#include <string>

namespace vanto::platform {

// Full path of the process's main executable. False when the process cannot be opened or
// its image name cannot be read (other users' processes without privilege, ended processes),
// and on Linux when the path does not name the file the process runs (another mount
// namespace, a file replaced or removed since it started).
bool GetProcessImagePath(std::uint32_t pid, std::string& path);

// Executable file name of the process as the process list shows it. False when the
// process is not in the list.
bool GetProcessListName(std::uint32_t pid, std::string& name);

// Whether this process may look into every other process for its sockets: on Linux the
// effective capabilities cap_dac_read_search and cap_sys_ptrace (root has them), on Windows
// an elevated token (whose administrators hold the debug privilege).
bool MayLookIntoEveryProcess();
// The same judged from the text of /proc/<pid>/status (its "CapEff:" line). Linux only.
bool StatusAllowsLookingIntoEveryProcess(const std::string& status);

}  // namespace vanto::platform
