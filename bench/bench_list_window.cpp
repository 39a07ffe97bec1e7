// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The whole program while N extra loopback connections are held open: `vantoscope --list
// --all` as a process against `ss -tuanp`, and the open window's CPU time and memory over
// VS_BENCH_WINDOW_SECONDS (30) of refreshes, offscreen. Run it alone on a quiet machine.
#include <signal.h>
#include <sys/stat.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "connection_pool.h"

namespace {

using vanto::bench::Pool;
using vanto::bench::RunQuietly;

bool Hold(benchmark::State& state) {
    if (Pool().Resize(static_cast<std::size_t>(state.range(0)))) return true;
    state.SkipWithError("could not open the connections (open-file limit?)");
    return false;
}

void BM_ListAll(benchmark::State& state) {
    if (!Hold(state)) return;
    char program[] = VS_PROGRAM, list[] = "--list", all[] = "--all";
    char* argv[] = {program, list, all, nullptr};
    for (auto _ : state) {
        if (!RunQuietly(argv)) {
            state.SkipWithError("the program could not be started");
            break;
        }
    }
}

// The same with IPv6 rows and, in JSON, the traffic fields; JSON alone is the fair baseline of
// the second, since its formatting costs more than the text table's.
void RunList(benchmark::State& state, std::vector<std::string> args) {
    if (!Hold(state)) return;
    args.insert(args.begin(), VS_PROGRAM);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        if (!RunQuietly(argv.data())) {
            state.SkipWithError("the program could not be started");
            break;
        }
    }
}
void BM_ListAllIpv6(benchmark::State& state) { RunList(state, {"--list", "--all", "--ipv6"}); }
void BM_ListAllJson(benchmark::State& state) { RunList(state, {"--list", "--all", "--format", "json"}); }
void BM_ListAllIpv6Json(benchmark::State& state) { RunList(state, {"--list", "--all", "--ipv6", "--format", "json"}); }

void BM_SsTuanp(benchmark::State& state) {
    if (!Hold(state)) return;
    char ss[] = "ss", opts[] = "-tuanp";
    char* argv[] = {ss, opts, nullptr};
    for (auto _ : state) {
        if (!RunQuietly(argv)) {
            state.SkipWithError("ss not found (package iproute2)");
            break;
        }
    }
}

// User plus system time of a process in seconds, from /proc/<pid>/stat.
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto paren = text.rfind(')');
    if (paren == std::string::npos) return -1;
    std::istringstream fields(text.substr(paren + 2));
    std::string f;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14) utime = std::stoull(f);
        if (i == 15) stime = std::stoull(f);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double RssKiB(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6);
    return -1;
}

void BM_Window(benchmark::State& state) {
    if (!Hold(state)) return;
    const char* env_seconds = std::getenv("VS_BENCH_WINDOW_SECONDS");
    const int seconds = env_seconds != nullptr && std::atoi(env_seconds) > 0 ? std::atoi(env_seconds) : 30;
    // A home and runtime folder of its own: no settings, lock or socket of a real copy.
    char home_template[] = "/tmp/vs-bench-XXXXXX";
    const char* home = mkdtemp(home_template);
    if (home == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", std::string("HOME=") + home,
                                    std::string("XDG_RUNTIME_DIR=") + home, std::string("XDG_CONFIG_HOME=") + home,
                                    std::string("XDG_DATA_HOME=") + home, "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    char program[] = VS_PROGRAM;
    char* argv[] = {program, nullptr};
    for (auto _ : state) {
        pid_t pid = -1;
        if (!RunQuietly(argv, envp.data(), &pid)) {
            state.SkipWithError("the program could not be started");
            break;
        }
        std::this_thread::sleep_for(std::chrono::seconds(5));  // start-up and the first fill
        const double cpu0 = CpuSeconds(pid);
        const double rss0 = RssKiB(pid);
        const auto t0 = std::chrono::steady_clock::now();
        // Memory at the middle too: growth that levels off is the allocator settling, growth
        // that goes on is a leak.
        std::this_thread::sleep_for(std::chrono::seconds(seconds / 2));
        const double rss_mid = RssKiB(pid);
        std::this_thread::sleep_for(std::chrono::seconds(seconds - seconds / 2));
        const double cpu1 = CpuSeconds(pid);
        const double rss1 = RssKiB(pid);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        if (cpu0 < 0 || cpu1 < 0) {
            state.SkipWithError("the window ended early");
            break;
        }
        state.counters["cpu_percent"] = 100.0 * (cpu1 - cpu0) / wall;
        state.counters["rss_start_KiB"] = rss0;
        state.counters["rss_mid_KiB"] = rss_mid;
        state.counters["rss_end_KiB"] = rss1;
    }
    std::string rm = std::string("rm -rf -- '") + home + "'";
    (void)!std::system(rm.c_str());
}

}  // namespace

// Every measurement at one N before the pool grows to the next.
BENCHMARK(BM_ListAll)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SsTuanp)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ListAll)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SsTuanp)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Window)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_ListAll)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SsTuanp)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ListAllIpv6)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ListAllJson)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ListAllIpv6Json)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Window)->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
