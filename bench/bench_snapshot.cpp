// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// One full snapshot with owning PIDs while N extra established loopback connections are
// held open, against `ss -tuanp` at the same N (its output thrown away). Run it alone on
// a quiet machine: both sides walk every process's descriptors.
#include <benchmark/benchmark.h>

#include "connection_pool.h"
#include "monitor/connection_snapshot.h"

namespace {

using vanto::bench::Pool;
using vanto::bench::RunQuietly;

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
    char ss[] = "ss", opts[] = "-tuanp";
    char* argv[] = {ss, opts, nullptr};
    for (auto _ : state) {
        if (!RunQuietly(argv)) {
            state.SkipWithError("ss not found (package iproute2)");
            break;
        }
    }
}

}  // namespace

// Both at each N before the pool grows to the next.
BENCHMARK(BM_Snapshot)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SsTuanp)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Snapshot)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SsTuanp)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Snapshot)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SsTuanp)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
