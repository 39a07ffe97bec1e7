// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The whole program while N extra loopback connections are held open: `vantoscope --list
// --all` as a process against `ss -tuanp`, and the open window's CPU time and memory over
// VS_BENCH_WINDOW_SECONDS (30) of refreshes, offscreen. Run it alone on a quiet machine.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "connection_pool.h"
#include "platform/profile.h"

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

// One connection opened and the oldest of a few closed every second, to 127.0.0.3, for as
// long as it lives: the sockets the owner lookup has to find.
class Churn {
public:
    Churn() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        inet_pton(AF_INET, "127.0.0.3", &a.sin_addr);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener_, 16) != 0) return;
        socklen_t len = sizeof a;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        thread_ = std::thread([this, a] {
            std::deque<int> open;
            while (!stop_) {
                const int c = socket(AF_INET, SOCK_STREAM, 0);
                if (c >= 0 && connect(c, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) {
                    open.push_back(c);
                    open.push_back(accept(listener_, nullptr, nullptr));
                } else if (c >= 0) {
                    close(c);
                }
                while (open.size() > 6) {
                    if (open.front() >= 0) close(open.front());
                    open.pop_front();
                }
                std::this_thread::sleep_for(std::chrono::seconds(1));
            }
            for (const int fd : open)
                if (fd >= 0) close(fd);
        });
    }
    ~Churn() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listener_ >= 0) close(listener_);
    }

private:
    int listener_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void RunWindow(benchmark::State& state, bool churn) {
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
    if (churn) {
        // The list sorted and marking on, as a user left it: the settings the window reads.
        const std::string folder = std::string(home) + "/Ombrevale";
        mkdir(folder.c_str(), 0700);
        std::ofstream hive(folder + "/registry.reg");
        hive << "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Ombrevale\\Vantoscope]\n"
                "\"SortColumn\"=\"remote_port\"\n\"HighlightChanges\"=dword:00000001\n";
        // A portable copy (the build's program is one) takes its settings.ini over the key.
        const std::string program = VS_PROGRAM;
        const std::string ini = program.substr(0, program.rfind('/') + 1) + "settings.ini";
        vanto::platform::WriteProfileText(ini, "Settings", "SortColumn", "remote_port");
        vanto::platform::WriteProfileText(ini, "Settings_DWORD", "HighlightChanges", "1");
    }
    std::unique_ptr<Churn> churning;
    if (churn) churning = std::make_unique<Churn>();
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
    churning.reset();
    std::string rm = std::string("rm -rf -- '") + home + "'";
    (void)!std::system(rm.c_str());
}

void BM_Window(benchmark::State& state) { RunWindow(state, false); }
void BM_WindowChurn(benchmark::State& state) { RunWindow(state, true); }

}  // namespace

// Every measurement at one N before the pool grows to the next.
BENCHMARK(BM_ListAll)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SsTuanp)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ListAll)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SsTuanp)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Window)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_WindowChurn)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_ListAll)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SsTuanp)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ListAllIpv6)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ListAllJson)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ListAllIpv6Json)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Window)->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_WindowChurn)->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
