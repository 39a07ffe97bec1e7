// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Raw facts about the running system: the Windows version sources (classic version
// record, workstation information, the CurrentVersion key), the 64-bit host and
// administrator tests, and on Linux the os-release text and kernel release. Every call
// reads afresh and answers false or empty instead of failing.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace vanto::platform {

// The local calendar time of `t`, through each system's thread-safe conversion; all fields
// zero when it cannot be converted.
std::tm LocalTime(std::time_t t);

// The classic version record (GetVersionEx with OSVERSIONINFOA).
struct ClassicVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platform_id = 0;  // 1: Windows 95 family, 2: NT family
    std::string service_pack;       // szCSDVersion
};

// False when the record cannot be read; always false on Linux.
bool QueryClassicVersion(ClassicVersion& version);

// Major and minor version of the workstation information record of level 100
// (NetWkstaGetInfo on the local machine). False when it cannot be read; always false on
// Linux.
bool QueryWorkstationVersion(std::uint32_t& major, std::uint32_t& minor);

// A string value of HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion, read
// only. False when the key cannot be opened or the value is missing or not a string;
// always false on Linux.
bool ReadCurrentVersionValue(const std::string& name, std::string& value);

// True when this 32-bit process runs on 64-bit Windows; false when the test is unavailable
// or fails, and always false on Linux.
bool IsWow64();

// Tests stand in for a 32-bit process on 64-bit Windows (true) or a native one (false):
// while an override is set, IsWow64 answers it instead of asking the system. nullopt
// removes it. Returns the previous override.
std::optional<bool> SetWow64Override(std::optional<bool> value);

namespace detail {
// The override IsWow64 answers first; nullopt when none is set.
std::optional<bool> Wow64Override();
}  // namespace detail

// True on a 64-bit operating system: always for a 64-bit build, which cannot run on anything
// else; a 32-bit build asks IsWow64.
bool Is64BitSystem();

// The rule behind Is64BitSystem for a process of `process_bits` bits; `is_wow64` is asked
// only by a 32-bit process.
bool Is64BitSystemFor(int process_bits, bool (*is_wow64)());

// True on Windows older than Vista: workstation information unreadable or major version
// below 6. Always false on Linux.
bool IsPreVista();

// Windows: the token holds the Administrators group enabled (not deny-only); true on a
// system that is not NT-based; false when the token cannot be read. Linux: effective uid 0.
bool IsUserAdmin();

// Linux: the text of /etc/os-release, or of /usr/lib/os-release when the first is
// missing; reads at most 64 KiB. False when neither can be read, and always on Windows.
bool ReadOsRelease(std::string& text);

// Linux: the kernel release (uname -r). False on failure, and always on Windows.
bool GetKernelRelease(std::string& release);

// Enables or disables a privilege of the process token by name (AdjustTokenPrivileges on the
// local system's id). False when the token or the name cannot be had. On Linux there are no
// token privileges: nothing is done and the answer is true.
bool AdjustProcessPrivilege(const std::string& name, bool enable);

}  // namespace vanto::platform
