// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <string_view>

#include "platform/linux/package_metadata.h"
#include "platform/linux/posix_file_io.h"

namespace vanto::platform {

namespace {

std::string ProcPath(std::uint32_t pid, const char* leaf) { return "/proc/" + std::to_string(pid) + "/" + leaf; }

// Reads at most `cap` bytes of a small /proc file.
bool ReadSmall(const std::string& path, std::string& text, std::size_t cap) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    text.assign(cap, '\0');
    std::size_t got = 0;
    while (got < cap) {
        const ssize_t n = ::read(fd, text.data() + got, cap - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(got);
    return true;
}

}  // namespace

bool GetProcessImagePath(std::uint32_t pid, std::string& path) {
    if (pid == 0) return false;  // the idle "process" has no image, on either platform
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(ProcPath(pid, "exe").c_str(), buf, sizeof buf);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) return false;
    path.assign(buf, static_cast<std::size_t>(n));
    // The kernel's mark for a replaced or removed image, not part of the file's name.
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.size() > kDeleted.size() && path.compare(path.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
        path.resize(path.size() - kDeleted.size());
    if (path.empty()) return false;
    // A Flatpak sandbox mounts its application at /app and its runtime at /usr: the path is
    // the sandbox's, the file is found on the host through the sandbox's instance record.
    if (path.starts_with("/app/") || path.starts_with("/usr/")) {
        std::string info;
        if (posix_io::ReadBoundedFile(ProcPath(pid, "root/.flatpak-info"), std::size_t{64} * 1024, info) == posix_io::ReadResult::Ok) {
            std::string host = FlatpakHostPath(path, info);
            if (!host.empty()) path = std::move(host);
        }
    }
    // The link text is a path in the process's own mount namespace; in ours it may name
    // another file (a container, a bind mount over a host program, a replaced file). Only
    // the very file the process runs lends it its name, icon and folder.
    struct stat image {}, named {};
    if (::stat(ProcPath(pid, "exe").c_str(), &image) != 0 || ::stat(path.c_str(), &named) != 0 ||
        image.st_dev != named.st_dev || image.st_ino != named.st_ino) {
        path.clear();
        return false;
    }
    return true;
}

bool GetProcessListName(std::uint32_t pid, std::string& name) {
    if (pid == 0) return false;
    std::string comm;
    if (!ReadSmall(ProcPath(pid, "comm"), comm, 64)) return false;
    while (!comm.empty() && (comm.back() == '\n' || comm.back() == '\0')) comm.pop_back();
    if (comm.empty()) return false;
    name = comm;
    // comm holds at most 15 bytes. When it is cut, the file name of argv[0] (readable for
    // every process, unlike exe) gives the whole name, provided it starts the same way.
    if (comm.size() == 15) {
        std::string cmd;
        if (ReadSmall(ProcPath(pid, "cmdline"), cmd, 4096)) {
            cmd.resize(cmd.find('\0') == std::string::npos ? cmd.size() : cmd.find('\0'));
            const auto slash = cmd.rfind('/');
            std::string base = slash == std::string::npos ? cmd : cmd.substr(slash + 1);
            if (base.size() > comm.size() && base.compare(0, comm.size(), comm) == 0) name = base;
        }
    }
    return true;
}

bool StatusAllowsLookingIntoEveryProcess(const std::string& status) {
    constexpr unsigned kCapDacReadSearch = 2;
    constexpr unsigned kCapSysPtrace = 19;
    const std::size_t at = status.find("\nCapEff:");
    if (at == std::string::npos) return false;
    std::size_t i = at + 8;
    while (i < status.size() && (status[i] == ' ' || status[i] == '\t')) ++i;
    unsigned long long mask = 0;
    std::size_t digits = 0;
    for (; i < status.size() && digits < 16; ++i, ++digits) {
        const char c = status[i];
        unsigned v;
        if (c >= '0' && c <= '9')
            v = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            v = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            v = static_cast<unsigned>(c - 'A' + 10);
        else
            break;
        mask = (mask << 4) | v;
    }
    if (digits == 0) return false;
    const unsigned long long wanted = (1ull << kCapDacReadSearch) | (1ull << kCapSysPtrace);
    return (mask & wanted) == wanted;
}

bool MayLookIntoEveryProcess() {
    std::string status;
    if (posix_io::ReadBoundedFile("/proc/self/status", std::size_t{64} * 1024, status) != posix_io::ReadResult::Ok)
        return false;
    return StatusAllowsLookingIntoEveryProcess(status);
}

}  // namespace vanto::platform
