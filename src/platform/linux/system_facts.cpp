// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Linux system facts: the Windows version sources do not exist here, so those queries
// answer "unreadable"; the os-release text and the kernel release stand in for them.

#include "platform/system_facts.h"

#include "platform/linux/posix_file_io.h"

#include <sys/utsname.h>
#include <unistd.h>

namespace vanto::platform {

namespace {

constexpr std::size_t kMaxOsReleaseBytes = std::size_t{64} * 1024;

bool ReadSmallFile(const char* path, std::string& text) {
    return posix_io::ReadBoundedFile(path, kMaxOsReleaseBytes, text) == posix_io::ReadResult::Ok;
}

}  // namespace

bool QueryClassicVersion(ClassicVersion& /*version*/) {
    return false;
}

bool QueryWorkstationVersion(std::uint32_t& /*major*/, std::uint32_t& /*minor*/) {
    return false;
}

bool ReadCurrentVersionValue(const std::string& /*name*/, std::string& /*value*/) {
    return false;
}

bool IsWow64() {
    if (const auto forced = detail::Wow64Override()) return *forced;
    return false;
}

bool IsPreVista() {
    return false;
}

bool IsUserAdmin() {
    return ::geteuid() == 0;
}

bool ReadOsRelease(std::string& text) {
    return ReadSmallFile("/etc/os-release", text) || ReadSmallFile("/usr/lib/os-release", text);
}

bool GetKernelRelease(std::string& release) {
    struct utsname names {};
    if (::uname(&names) != 0) return false;
    release = names.release;
    return !release.empty();
}

bool AdjustProcessPrivilege(const std::string& /*name*/, bool /*enable*/) { return true; }

std::tm LocalTime(std::time_t t) {
    std::tm tm{};
    if (::localtime_r(&t, &tm) == nullptr) tm = std::tm{};
    return tm;
}

}  // namespace vanto::platform
