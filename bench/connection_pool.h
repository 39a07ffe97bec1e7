// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// N established loopback connections held open for the benchmarks that compare with
// `ss -tuanp`, and a helper that runs a program with its output thrown away.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

extern char** environ;

namespace vanto::bench {

// Holds N established loopback connections to 127.0.0.2: the accepted ends here, the
// client ends in a child process, so that neither process needs more than N + a few
// descriptors. The pool only grows (benchmarks run in increasing N), so no closed
// connection lingers in TIME_WAIT to blur the next measurement.
class ConnectionPool {
public:
    ConnectionPool() {
        rlimit lim{};
        getrlimit(RLIMIT_NOFILE, &lim);
        lim.rlim_cur = lim.rlim_max;  // raise the soft limit as far as we may
        setrlimit(RLIMIT_NOFILE, &lim);
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        inet_pton(AF_INET, "127.0.0.2", &a.sin_addr);
        bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listener_, 4096);
        socklen_t len = sizeof server_;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&server_), &len);

        int to_child[2], from_child[2];
        if (pipe(to_child) != 0 || pipe(from_child) != 0) return;
        child_ = fork();
        if (child_ == 0) {
            close(to_child[1]);
            close(from_child[0]);
            close(listener_);
            RunHolder(to_child[0], from_child[1]);
            _exit(0);
        }
        close(to_child[0]);
        close(from_child[1]);
        cmd_ = to_child[1];
        ack_ = from_child[0];
    }

    ~ConnectionPool() {
        if (child_ > 0) {
            close(cmd_);  // the holder ends when its command pipe closes
            waitpid(child_, nullptr, 0);
        }
    }

    bool Resize(std::size_t n) {
        if (child_ <= 0 || n < accepted_.size()) return n == accepted_.size();
        const std::uint32_t want = static_cast<std::uint32_t>(n);
        if (write(cmd_, &want, sizeof want) != sizeof want) return false;
        while (accepted_.size() < n) {
            const int s = accept(listener_, nullptr, nullptr);
            if (s < 0) return false;
            accepted_.push_back(s);
        }
        std::uint32_t held = 0;
        return read(ack_, &held, sizeof held) == sizeof held && held == want;
    }

private:
    void RunHolder(int cmd, int ack) const {
        std::vector<int> fds;
        std::uint32_t want;
        while (read(cmd, &want, sizeof want) == sizeof want) {
            while (fds.size() < want) {
                const int c = socket(AF_INET, SOCK_STREAM, 0);
                if (c < 0 || connect(c, reinterpret_cast<const sockaddr*>(&server_), sizeof server_) != 0) break;
                fds.push_back(c);
            }
            const auto held = static_cast<std::uint32_t>(fds.size());
            if (write(ack, &held, sizeof held) != sizeof held) break;
        }
    }

    int listener_ = -1;
    sockaddr_in server_{};
    pid_t child_ = -1;
    int cmd_ = -1, ack_ = -1;
    std::vector<int> accepted_;
};

inline ConnectionPool& Pool() {
    static ConnectionPool pool;
    return pool;
}

// Runs `argv` (looked up in PATH) with its output sent to /dev/null and waits for it; false
// when it could not be started.
inline bool RunQuietly(char* const argv[], char* const envp[] = environ, pid_t* started = nullptr) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const bool ok = posix_spawnp(&pid, argv[0], &actions, nullptr, argv, envp) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!ok) return false;
    if (started != nullptr) {
        *started = pid;  // the caller waits
        return true;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return true;
}

}  // namespace vanto::bench
