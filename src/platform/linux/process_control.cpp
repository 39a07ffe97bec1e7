// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Signals through a pidfd where the kernel has them (5.3 and later): once the pidfd is open
// the pid cannot be reused under it, so checking the start time and sending the signal act
// on one process. Older kernels fall back to kill() right after the check.
#include "platform/process_control.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

namespace vanto::platform {

namespace {

struct StatFields {
    char state = 0;
    std::uint64_t start = 0;
};

// Fields 3 (state) and 22 (start time) of /proc/<pid>/stat; false when it is gone.
bool ReadStat(std::uint32_t pid, StatFields& f) {
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[1024];
    ssize_t n;
    do n = ::read(fd, buf, sizeof buf - 1);
    while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n <= 0) return false;
    const std::string_view text(buf, static_cast<std::size_t>(n));
    // The command name may hold anything, ")" too: the fields start after the last one.
    auto pos = text.rfind(')');
    if (pos == std::string_view::npos || pos + 2 >= text.size()) return false;
    f.state = text[pos + 2];
    for (int field = 2; field < 22; ++field) {
        pos = text.find(' ', pos + 1);
        if (pos == std::string_view::npos) return false;
    }
    std::uint64_t v = 0;
    for (std::size_t i = pos + 1; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        v = v * 10 + static_cast<unsigned>(text[i] - '0');
    f.start = v;
    return true;
}

EndOutcome FromErrno(int err) {
    switch (err) {
    case EPERM: return {EndResult::NoRights, {}};
    case ESRCH: return {EndResult::Gone, {}};
    default: return {EndResult::Failed, std::strerror(err)};
    }
}

}  // namespace

std::uint64_t ProcessStartTime(std::uint32_t pid) {
    StatFields f;
    return pid != 0 && ReadStat(pid, f) && f.state != 'Z' && f.state != 'X' ? f.start : 0;
}

bool ProcessRunning(std::uint32_t pid, std::uint64_t start) { return start != 0 && ProcessStartTime(pid) == start; }

std::uint32_t CurrentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

EndOutcome EndProcess(std::uint32_t pid, std::uint64_t start, bool force) {
    if (pid == 0 || pid > 0x7fffffffu) return {EndResult::Gone, {}};
    const int sig = force ? SIGKILL : SIGTERM;
#if defined(SYS_pidfd_open) && defined(SYS_pidfd_send_signal)
    const long pfd = ::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0);
    if (pfd >= 0) {
        const int fd = static_cast<int>(pfd);
        StatFields f;
        EndOutcome out;
        if (!ReadStat(pid, f) || f.state == 'Z' || f.state == 'X') out = {EndResult::Gone, {}};
        else if (f.start != start) out = {EndResult::Reused, {}};
        else if (::syscall(SYS_pidfd_send_signal, fd, sig, nullptr, 0) == 0) out = {EndResult::Sent, {}};
        else out = FromErrno(errno);
        ::close(fd);
        return out;
    }
    if (errno == ESRCH) return {EndResult::Gone, {}};
#endif
    const std::uint64_t now = ProcessStartTime(pid);
    if (now == 0) return {EndResult::Gone, {}};
    if (now != start) return {EndResult::Reused, {}};
    if (::kill(static_cast<pid_t>(pid), sig) == 0) return {EndResult::Sent, {}};
    return FromErrno(errno);
}

bool EndProcessIsRequest() { return true; }

}  // namespace vanto::platform
