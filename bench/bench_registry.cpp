// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Cost of a key with many values in the Linux user hive: written in one batch, then every
// value read back by name (what a portable start and close do with a large settings key), and
// the export of as many settings into settings.ini.
#include "platform/profile.h"
#include "platform/registry.h"

#include "testsupport/test_support.h"

#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

using namespace vanto::platform;
using namespace vanto::testing;

namespace {

void BM_ManyValues_WriteThenReadEach(benchmark::State& state) {
    const int count = int(state.range(0));
    std::vector<std::pair<std::string, RegValue>> values;
    for (int i = 0; i < count; ++i) values.emplace_back("Value" + std::to_string(i), RegValue::String(std::to_string(i)));
    for (auto _ : state) {
        TempDir dir;
        ScopedEnv hive("VANTOSCOPE_USER_HIVE", (dir.path() / "registry.reg").string());
        RegKey key;
        if (!key.Create(RegRoot::CurrentUser, "SOFTWARE\\Many", RegAccess::ReadWrite) || !key.WriteValues(values))
            state.SkipWithError("write failed");
        std::string text;
        for (const auto& [name, value] : values) benchmark::DoNotOptimize(key.ReadString(name, text));
    }
    state.SetComplexityN(count);
}
BENCHMARK(BM_ManyValues_WriteThenReadEach)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

void BM_ManyEntries_ProfileBatch(benchmark::State& state) {
    const int count = int(state.range(0));
    std::vector<std::pair<std::string, std::string>> entries;
    for (int i = 0; i < count; ++i) entries.emplace_back("Entry" + std::to_string(i), std::to_string(i));
    for (auto _ : state) {
        TempDir dir;
        const std::string ini = dir.write("settings.ini", "; " + std::string(1 << 20, 'c') + "\n[Settings]\n").string();
        std::vector<std::string> refused;
        benchmark::DoNotOptimize(WriteProfileEntries(ini, "Settings", entries, refused));
    }
    state.SetComplexityN(count);
}
BENCHMARK(BM_ManyEntries_ProfileBatch)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
