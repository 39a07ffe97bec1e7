// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Linux shell requests: the target goes to `xdg-open`, started in its own session by a
// short-lived intermediate child so that the opener is re-parented at once and never
// becomes our zombie. We wait only for the intermediate child, which exits immediately.

#include "platform/shell.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <utility>

extern char** environ;

namespace vanto::platform {

namespace {

std::mutex g_hook_mutex;
ShellOpenHook g_hook;  // the test seam; empty in the program

bool SameAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Looks the opener up in PATH before forking: between fork and exec only async-signal-safe
// calls are allowed, and a PATH search allocates.
std::string FindOpener() {
    const char* env = std::getenv("PATH");
    std::string_view path = (env != nullptr && *env != '\0') ? env : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const std::size_t colon = path.find(':');
        const std::string_view dir = path.substr(0, colon);
        std::string candidate(dir.empty() ? std::string_view(".") : dir);
        candidate.append("/xdg-open");
        if (IsExecutableFile(candidate)) return candidate;
        if (colon == std::string_view::npos) return {};
        path.remove_prefix(colon + 1);
    }
}

// Runs in the grandchild; async-signal-safe calls only.
[[noreturn]] void ExecOpener(const char* opener, char* const argv[], const char* directory) {
    if (directory != nullptr) (void)::chdir(directory);

    const int null_fd = ::open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
        // The opener's complaints are not ours to show.
        ::dup2(null_fd, STDIN_FILENO);
        ::dup2(null_fd, STDOUT_FILENO);
        ::dup2(null_fd, STDERR_FILENO);
        if (null_fd > STDERR_FILENO) ::close(null_fd);
    }
#ifdef SYS_close_range
    // Keep our log file, sockets and pipes out of the browser or file manager.
    (void)::syscall(SYS_close_range, 3U, ~0U, 0U);
#endif

    // Blocked or ignored signals survive exec; give the opener a clean start.
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &dfl, nullptr);
    ::sigaction(SIGCHLD, &dfl, nullptr);

    ::execve(opener, argv, environ);
    ::_exit(127);
}

bool LaunchOpener(const ShellRequest& request) {
    if (request.file.empty()) return false;
    // xdg-open takes exactly one target: neither extra parameters nor verbs other than
    // opening can be honoured.
    if (request.parameters.has_value() && !request.parameters->empty()) return false;
    if (request.verb.has_value() && !request.verb->empty() && !SameAscii(*request.verb, "open") &&
        !SameAscii(*request.verb, "explore")) {
        return false;
    }

    const std::string opener = FindOpener();
    if (opener.empty()) return false;

    // A target beginning with "-" would read as an option of xdg-open.
    std::string target = request.file.front() == '-' ? "./" + request.file : request.file;
    std::string arg0 = "xdg-open";
    char* argv[] = {arg0.data(), target.data(), nullptr};
    const char* directory = request.directory.empty() ? nullptr : request.directory.c_str();

    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) ExecOpener(opener.c_str(), argv, directory);
        ::_exit(grandchild < 0 ? 1 : 0);
    }

    int status = 0;
    pid_t waited = 0;
    do {
        waited = ::waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited < 0) return errno == ECHILD;  // SIGCHLD ignored: the child reaped itself
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

ShellOpenHook SetShellOpenHook(ShellOpenHook hook) {
    const std::lock_guard lock(g_hook_mutex);
    std::swap(g_hook, hook);
    return hook;
}

bool ShellExecuteRequest(const ShellRequest& request) {
    ShellOpenHook hook;
    {
        const std::lock_guard lock(g_hook_mutex);
        hook = g_hook;
    }
    if (hook) return hook(request);
    return LaunchOpener(request);
}

}  // namespace vanto::platform
