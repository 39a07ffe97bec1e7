// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// One full snapshot with owning PIDs while N extra established loopback connections are
// held open, against `ss -tuanp` at the same N (its output thrown away). Run it alone on
// a quiet machine: both sides walk every process's descriptors.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "monitor/connection_snapshot.h"

extern char** environ;

namespace {

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

// Both at each N before the pool grows to the next.
BENCHMARK(BM_Snapshot)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SsTuanp)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Snapshot)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SsTuanp)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Snapshot)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SsTuanp)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
