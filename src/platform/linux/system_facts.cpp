// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Linux system facts: the Windows version sources do not exist here, so those queries
// answer "unreadable"; the os-release text and the kernel release stand in for them.

#include "platform/system_facts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace vanto::platform {

namespace {

constexpr std::size_t kMaxOsReleaseBytes = std::size_t{64} * 1024;

// Reads at most kMaxOsReleaseBytes of a regular file. O_NONBLOCK keeps a FIFO put in its
// place from blocking the open.
bool ReadSmallFile(const char* path, std::string& text) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    std::string content;
    while (ok && content.size() < kMaxOsReleaseBytes) {
        char buffer[4096];
        const std::size_t want = std::min(sizeof(buffer), kMaxOsReleaseBytes - content.size());
        const ssize_t got = ::read(fd, buffer, want);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ok = false;
        if (got <= 0) break;
        content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (ok) text = std::move(content);
    return ok;
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

}  // namespace vanto::platform
