// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Linux shell requests: the target goes to `xdg-open`, started in its own session by a
// short-lived intermediate child so that the opener is re-parented at once and never
// becomes our zombie. We wait only for the intermediate child, which exits immediately.
// Run as root through sudo, the opener (and the browser or file manager it starts) runs as
// the user who called sudo, never as root.

#include "platform/shell.h"

#include "platform/ascii_text.h"
#include "platform/linux/posix_file_io.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

extern char** environ;

namespace vanto::platform {

namespace {

std::mutex g_hook_mutex;
ShellOpenHook g_hook;  // the test seam; empty in the program

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
        if (posix_io::CanExecuteFile(candidate)) return candidate;
        if (colon == std::string_view::npos) return {};
        path.remove_prefix(colon + 1);
    }
}

// The user on whose behalf we run as root through sudo, with what the opener needs to run
// as that user: ids, groups and an environment whose home is theirs.
struct CallingUser {
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
    std::vector<std::string> env;
    std::vector<char*> envp;
};

bool ParseId(const char* text, unsigned& id) {
    if (text == nullptr || *text == '\0') return false;
    unsigned long v = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        v = v * 10 + static_cast<unsigned>(*p - '0');
        if (v > 0x7fffffffUL) return false;
    }
    id = static_cast<unsigned>(v);
    return true;
}

// Filled when we are root and sudo names a caller other than root.
bool FindCallingUser(CallingUser& u) {
    if (::geteuid() != 0) return false;
    unsigned uid = 0, gid = 0;
    if (!ParseId(std::getenv("SUDO_UID"), uid) || uid == 0) return false;
    if (!ParseId(std::getenv("SUDO_GID"), gid)) gid = uid;
    u.uid = static_cast<uid_t>(uid);
    u.gid = static_cast<gid_t>(gid);
    std::string home, name;
    if (const passwd* pw = ::getpwuid(u.uid)) {
        home = pw->pw_dir != nullptr ? pw->pw_dir : "";
        name = pw->pw_name != nullptr ? pw->pw_name : "";
        int n = 32;
        u.groups.resize(static_cast<std::size_t>(n));
        if (::getgrouplist(pw->pw_name, u.gid, u.groups.data(), &n) < 0 && n > 32) {
            u.groups.resize(static_cast<std::size_t>(n));
            if (::getgrouplist(pw->pw_name, u.gid, u.groups.data(), &n) < 0) n = 0;
        }
        u.groups.resize(static_cast<std::size_t>(std::max(n, 0)));
    }
    if (u.groups.empty()) u.groups.push_back(u.gid);
    const std::string runtime = "/run/user/" + std::to_string(uid);
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view v(*e);
        // Root's own folders and identity are not the caller's.
        if (v.rfind("HOME=", 0) == 0 || v.rfind("USER=", 0) == 0 || v.rfind("LOGNAME=", 0) == 0 ||
            v.rfind("XDG_RUNTIME_DIR=", 0) == 0 || v.rfind("XDG_CONFIG_HOME=", 0) == 0 ||
            v.rfind("XDG_DATA_HOME=", 0) == 0 || v.rfind("XDG_CACHE_HOME=", 0) == 0)
            continue;
        u.env.emplace_back(v);
    }
    if (!home.empty()) u.env.push_back("HOME=" + home);
    if (!name.empty()) {
        u.env.push_back("USER=" + name);
        u.env.push_back("LOGNAME=" + name);
    }
    struct stat st {};
    if (::stat(runtime.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == u.uid)
        u.env.push_back("XDG_RUNTIME_DIR=" + runtime);
    for (auto& s : u.env) u.envp.push_back(s.data());
    u.envp.push_back(nullptr);
    return true;
}

// Runs in the grandchild; async-signal-safe calls only.
[[noreturn]] void ExecOpener(const char* opener, char* const argv[], const char* directory,
                             const CallingUser* as_user) {
    // Never on to the opener as root when the caller's identity cannot be taken on.
    if (as_user != nullptr && (::setgroups(as_user->groups.size(), as_user->groups.data()) != 0 ||
                               ::setgid(as_user->gid) != 0 || ::setuid(as_user->uid) != 0 || ::setuid(0) == 0))
        ::_exit(126);
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

    ::execve(opener, argv, as_user != nullptr ? as_user->envp.data() : environ);
    ::_exit(127);
}

bool LaunchOpener(const ShellRequest& request) {
    if (request.file.empty()) return false;
    // xdg-open takes exactly one target: neither extra parameters nor verbs other than
    // opening can be honoured.
    if (request.parameters.has_value() && !request.parameters->empty()) return false;
    if (request.verb.has_value() && !request.verb->empty() && !EqualsNoCase(*request.verb, "open") &&
        !EqualsNoCase(*request.verb, "explore")) {
        return false;
    }

    const std::string opener = FindOpener();
    if (opener.empty()) return false;

    // A target beginning with "-" would read as an option of xdg-open.
    std::string target = request.file.front() == '-' ? "./" + request.file : request.file;
    std::string arg0 = "xdg-open";
    char* argv[] = {arg0.data(), target.data(), nullptr};
    const char* directory = request.directory.empty() ? nullptr : request.directory.c_str();
    CallingUser caller;
    const CallingUser* as_user = FindCallingUser(caller) ? &caller : nullptr;

    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) ExecOpener(opener.c_str(), argv, directory, as_user);
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
