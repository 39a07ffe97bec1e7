// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// One full snapshot with owning PIDs while N extra established loopback connections are
// held open, against `ss -tuanp` at the same N.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "monitor/connection_snapshot.h"

extern char** environ;

namespace {

// Holds N client/server pairs on 127.0.0.2, grown or shrunk to the size a benchmark asks.
class ConnectionPool {
public:
    ConnectionPool() {
        rlimit lim{};
        getrlimit(RLIMIT_NOFILE, &lim);
        lim.rlim_cur = lim.rlim_max = 70000;  // two fds per connection, plus margin
        if (setrlimit(RLIMIT_NOFILE, &lim) != 0) {
            getrlimit(RLIMIT_NOFILE, &lim);
            lim.rlim_cur = lim.rlim_max;
            setrlimit(RLIMIT_NOFILE, &lim);
        }
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        inet_pton(AF_INET, "127.0.0.2", &a.sin_addr);
        bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listener_, 4096);
        socklen_t len = sizeof server_;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&server_), &len);
    }

    bool Resize(std::size_t n) {
        while (fds_.size() / 2 > n) {
            close(fds_.back());
            fds_.pop_back();
            close(fds_.back());
            fds_.pop_back();
        }
        while (fds_.size() / 2 < n) {
            const int c = socket(AF_INET, SOCK_STREAM, 0);
            if (c < 0 || connect(c, reinterpret_cast<const sockaddr*>(&server_), sizeof server_) != 0) {
                if (c >= 0) close(c);
                return false;
            }
            const int s = accept(listener_, nullptr, nullptr);
            if (s < 0) {
                close(c);
                return false;
            }
            fds_.push_back(c);
            fds_.push_back(s);
        }
        return true;
    }

private:
    int listener_ = -1;
    sockaddr_in server_{};
    std::vector<int> fds_;
};

ConnectionPool& Pool() {
    static ConnectionPool pool;
    return pool;
}

void BM_Snapshot(benchmark::State& state) {
    if (!Pool().Resize(static_cast<std::size_t>(state.range(0)))) {
        state.SkipWithError("could not open the connections (open-file limit?)");
        return;
    }
    vanto::TConnectionArray snap;
    for (auto _ : state) {
        vanto::TakeSnapshot(snap);
        benchmark::DoNotOptimize(snap.data());
    }
    state.counters["rows"] = static_cast<double>(snap.size());
}

void BM_SsTuanp(benchmark::State& state) {
    if (!Pool().Resize(static_cast<std::size_t>(state.range(0)))) {
        state.SkipWithError("could not open the connections (open-file limit?)");
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char ss[] = "ss", opts[] = "-tuanp";
    char* argv[] = {ss, opts, nullptr};
    for (auto _ : state) {
        pid_t pid;
        if (posix_spawnp(&pid, "ss", &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("ss not found (package iproute2)");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
}

}  // namespace

BENCHMARK(BM_Snapshot)->Arg(0)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SsTuanp)->Arg(0)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
