// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// UpdateList of the main window (offscreen) with 1,000 and 10,000 shown rows, and its parts:
// the whole update with real process naming and icons, the same with naming replaced by
// constants (what the list itself costs), naming alone, each naming step alone, the first
// fill (rows created, columns sized), sizing the columns alone and an update followed by
// painting the list. Each process is named once per update, so the naming share depends on
// how many processes own the rows; BM_Naming gives the cost per row when every row belongs
// to a different process.
// The records belong to the processes running on this machine, cycled, so naming does real
// work; run it on a quiet machine.
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/U_MainDlg.h"
#include "app/connection_list_model.h"
#include "monitor/display_name.h"
#include "monitor/process_identity.h"
#include "platform/shell_icons.h"

using namespace vanto;

namespace {

std::vector<std::uint32_t> RunningPids() {
    std::vector<std::uint32_t> pids;
    for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const uint pid = name.toUInt(&ok);
        if (ok) pids.push_back(pid);
    }
    if (pids.empty()) pids.push_back(1);
    return pids;
}

// `n` established connections to outside addresses (all shown), owned by running processes.
TConnectionArray Snapshot(int n) {
    static const std::vector<std::uint32_t> pids = RunningPids();
    TConnectionArray a;
    a.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const unsigned char addr[4] = {93, 184, static_cast<unsigned char>(i >> 8), static_cast<unsigned char>(i)};
        std::uint32_t remote;
        std::memcpy(&remote, addr, 4);
        const unsigned port = (i % 3 == 0) ? 443 : 50000 + static_cast<unsigned>(i % 1000);
        const std::uint32_t port_field = ((port & 0xFFu) << 8) | (port >> 8);
        a.push_back({kProtocolTcp, 5, 0x0100007Fu, 0x3930u, remote, port_field,
                     pids[static_cast<std::size_t>(i) % pids.size()]});
    }
    return a;
}

TMaindlgServices ConstantNames() {
    TMaindlgServices s;
    s.process_path = [](std::uint32_t) { return std::string("/usr/bin/program"); };
    s.display_name = [](const std::string&) { return std::string("Program"); };
    return s;
}

std::unique_ptr<TMaindlg> Window(TMaindlgServices services = {}) {
    auto w = std::make_unique<TMaindlg>(std::move(services));
    w->findChild<QTimer*>(QStringLiteral("refresh_tmr"))->stop();
    w->LoadSystemImageLists();
    return w;
}

void BM_UpdateList(benchmark::State& state) {
    const TConnectionArray snapshot = Snapshot(static_cast<int>(state.range(0)));
    auto w = Window();
    w->UpdateList(snapshot);  // rows exist: each timed update rewrites them in place
    for (auto _ : state) w->UpdateList(snapshot);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_UpdateList)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_UpdateList_ConstantNames(benchmark::State& state) {
    const TConnectionArray snapshot = Snapshot(static_cast<int>(state.range(0)));
    auto w = Window(ConstantNames());
    w->UpdateList(snapshot);
    for (auto _ : state) w->UpdateList(snapshot);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_UpdateList_ConstantNames)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The update as a power user runs the list: sorted by Remote Port, a search that keeps about
// a third of the rows, marking on, and one connection closing and one opening per refresh.
// The window's clock moves a second per update, so marks come and go as they would.
void BM_UpdateList_SortedSearchedMarkedChurn(benchmark::State& state) {
    TConnectionArray snapshot = Snapshot(static_cast<int>(state.range(0)));
    auto now = std::make_shared<std::int64_t>(1000000);
    TMaindlgServices services;
    services.now_ms = [now] { return *now; };
    auto w = Window(std::move(services));
    auto* lst = w->findChild<QTableView*>(QStringLiteral("lst"));
    w->UpdateList(snapshot);
    lst->horizontalHeader()->setSortIndicator(TConnectionListModel::kRemotePort, Qt::AscendingOrder);
    w->SetSearch(QStringLiteral("443"));
    w->SetMarkChanges(true);
    std::uint32_t next = 0;
    for (auto _ : state) {
        // The oldest connection closes, a new one opens (another remote port each time).
        snapshot.erase(snapshot.begin());
        TConnection c = snapshot.back();
        c.remote_port = ((40000 + next % 20000) & 0xFFu) << 8 | ((40000 + next % 20000) >> 8);
        ++next;
        snapshot.push_back(c);
        *now += 1000;
        w->UpdateList(snapshot);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_UpdateList_SortedSearchedMarkedChurn)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_UpdateList_FirstFill(benchmark::State& state) {
    const TConnectionArray snapshot = Snapshot(static_cast<int>(state.range(0)));
    auto w = Window();
    for (auto _ : state) {
        state.PauseTiming();
        w->UpdateList({});
        state.ResumeTiming();
        w->UpdateList(snapshot);
    }
}
BENCHMARK(BM_UpdateList_FirstFill)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Fitting the five columns to their contents, as a first fill, a resize or a filter click does.
void BM_AutoSizeColumns(benchmark::State& state) {
    auto w = Window();
    w->UpdateList(Snapshot(static_cast<int>(state.range(0))));
    for (auto _ : state) w->AutoSizeColumns();
}
BENCHMARK(BM_AutoSizeColumns)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The update as the user sees it: the list painted afterwards (only its visible rows).
void BM_UpdateList_Painted(benchmark::State& state) {
    const TConnectionArray snapshot = Snapshot(static_cast<int>(state.range(0)));
    auto w = Window();
    w->show();
    auto* lst = w->findChild<QTableView*>(QStringLiteral("lst"));
    w->UpdateList(snapshot);
    QApplication::processEvents();
    for (auto _ : state) {
        w->UpdateList(snapshot);
        lst->viewport()->repaint();
    }
}
BENCHMARK(BM_UpdateList_Painted)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Naming(benchmark::State& state) {
    const TConnectionArray snapshot = Snapshot(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (const auto& c : snapshot) {
            const std::string path = GetProcessPath(c.pid);
            benchmark::DoNotOptimize(DisplayName(path));
            benchmark::DoNotOptimize(platform::GetShellIconIndex(path));
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Naming)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_GetProcessPath(benchmark::State& state) {
    const TConnectionArray snapshot = Snapshot(1000);
    for (auto _ : state)
        for (const auto& c : snapshot) benchmark::DoNotOptimize(GetProcessPath(c.pid));
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_GetProcessPath)->Unit(benchmark::kMillisecond);

void BM_DisplayName(benchmark::State& state) {
    std::vector<std::string> paths;
    for (const auto& c : Snapshot(1000)) paths.push_back(GetProcessPath(c.pid));
    for (auto _ : state)
        for (const auto& p : paths) benchmark::DoNotOptimize(DisplayName(p));
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_DisplayName)->Unit(benchmark::kMillisecond);

void BM_GetShellIconIndex(benchmark::State& state) {
    std::vector<std::string> paths;
    for (const auto& c : Snapshot(1000)) paths.push_back(GetProcessPath(c.pid));
    platform::GetSystemImageList(true);
    for (auto _ : state)
        for (const auto& p : paths) benchmark::DoNotOptimize(platform::GetShellIconIndex(p));
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_GetShellIconIndex)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
