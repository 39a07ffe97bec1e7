// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Cost of naming executables: GetProductName of a name that no product rule knows (both
// rule lists walked), GetProductVersion of a small PE, a name whose rule reads a sibling file,
// and one refresh of the connection list's naming: 1,000 rows owned by 100 processes, each
// named through the cache, as the window does every second.
#include "monitor/display_name.h"
#include "productinfo/U_OrvoFct.h"
#include "productinfo/product_cache.h"

#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

using namespace vanto;
using namespace vanto::testing;

namespace {

std::string WritePe(const TempDir& dir, const std::string& name, const std::string& product) {
    VersionInfoSpec spec = VersionWithStrings({{"CompanyName", "Quiet Harbour Instruments Pty"},
                                               {"FileDescription", product},
                                               {"FileVersion", "2.4.1.0"},
                                               {"ProductName", product},
                                               {"ProductVersion", "2.4.1"}});
    spec.fileVersionMS = 0x00020004;
    spec.fileVersionLS = 0x00010000;
    return dir.write(name, BuildPeWithVersion(EncodeVersionInfo(spec)).bytes).string();
}

struct Files {
    TempDir dir;
    std::string plain = WritePe(dir, "plain/harbour.exe", "Harbour Tool");
    std::string firefox = [this] {
        dir.write("ff/update-settings.ini", "[Settings]\nACCEPTED_MAR_CHANNEL_IDS=firefox-mozilla-release\n");
        return WritePe(dir, "ff/firefox.exe", "Firefox");
    }();
    std::vector<std::string> processes = [this] {
        std::vector<std::string> p;
        for (int i = 0; i < 100; ++i) {
            const std::string n = std::to_string(i);
            std::string file = "p";
            file.append(n).append("/tool").append(n).append(".exe");
            std::string product = "Harbour Tool ";
            product.append(n);
            p.push_back(WritePe(dir, file, product));
        }
        return p;
    }();
};

Files& TheFiles() {
    static Files files;
    return files;
}

void BM_GetProductName_NoRuleMatches(benchmark::State& state) {
    const std::string& path = TheFiles().plain;
    for (auto _ : state) benchmark::DoNotOptimize(GetProductName(path));
}
BENCHMARK(BM_GetProductName_NoRuleMatches)->Unit(benchmark::kMicrosecond);

void BM_GetProductName_SiblingFileRule(benchmark::State& state) {
    const std::string& path = TheFiles().firefox;
    for (auto _ : state) benchmark::DoNotOptimize(GetProductName(path));
}
BENCHMARK(BM_GetProductName_SiblingFileRule)->Unit(benchmark::kMicrosecond);

void BM_GetProductVersion_SmallPe(benchmark::State& state) {
    const std::string& file = TheFiles().plain;
    for (auto _ : state) {
        std::string path = file;
        benchmark::DoNotOptimize(GetProductVersion(path, "Harbour Tool", "Quiet Harbour Instruments Pty"));
    }
}
BENCHMARK(BM_GetProductVersion_SmallPe)->Unit(benchmark::kMicrosecond);

// One refresh: 1,000 rows, ten per process, named through a warm cache.
void BM_RefreshNaming_1000Rows100Processes_WarmCache(benchmark::State& state) {
    const auto& processes = TheFiles().processes;
    ProductInfoCache cache;
    for (const auto& p : processes) DisplayName(p, cache);
    for (auto _ : state) {
        for (int row = 0; row < 1000; ++row) benchmark::DoNotOptimize(DisplayName(processes[row % 100], cache));
    }
}
BENCHMARK(BM_RefreshNaming_1000Rows100Processes_WarmCache)->Unit(benchmark::kMicrosecond);

// The same refresh as the window runs it: each process named once, its rows share the name.
void BM_RefreshNaming_1000Rows100Processes_WarmCache_PerProcess(benchmark::State& state) {
    const auto& processes = TheFiles().processes;
    ProductInfoCache cache;
    for (const auto& p : processes) DisplayName(p, cache);
    for (auto _ : state) {
        std::vector<std::string> names;
        names.reserve(processes.size());
        for (const auto& p : processes) names.push_back(DisplayName(p, cache));
        for (int row = 0; row < 1000; ++row) benchmark::DoNotOptimize(names[row % 100]);
    }
}
BENCHMARK(BM_RefreshNaming_1000Rows100Processes_WarmCache_PerProcess)->Unit(benchmark::kMicrosecond);

void BM_RefreshNaming_1000Rows100Processes_NoCache(benchmark::State& state) {
    const auto& processes = TheFiles().processes;
    for (auto _ : state) {
        for (int row = 0; row < 1000; ++row) benchmark::DoNotOptimize(DisplayName(processes[row % 100]));
    }
}
BENCHMARK(BM_RefreshNaming_1000Rows100Processes_NoCache)->Unit(benchmark::kMillisecond);

}  // namespace
