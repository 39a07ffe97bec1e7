// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Cost of the product rows by kind: the two lists walked on a call that no row matches (no
// file read), and GetProductName of a case of each file-reading kind: a sibling ini file, a
// changelog, the executable's own bytes (8 MB), the folder's name, the uninstall registry
// and a readme edition.
#include "productinfo/U_OrvoFct.h"
#include "productinfo/product_rules.h"

#include "testsupport/pe_builder.h"
#include "testsupport/registry_fixture.h"
#include "testsupport/test_support.h"

#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

using namespace vanto;
using namespace vanto::testing;

namespace {

Bytes Pe(std::vector<std::pair<std::string, std::string>> strings) {
    return BuildPeWithVersion(EncodeVersionInfo(VersionWithStrings(std::move(strings)))).bytes;
}

struct Files {
    TempDir dir;
    ScopedHives hives;
    std::string eset = [this] {
        dir.write("eset/SecurityProductInformation.ini", "[Product]\nCode=107\nName=ESET Smart Security Premium\n");
        return dir.write("eset/egui.exe", Pe({{"FileDescription", "ESET Security"}})).string();
    }();
    std::string node = [this] {
        std::string log = "# Node.js Changelog\n";
        for (int v = 24; v >= 4; --v) {
            log += "<a href=\"doc/changelogs/CHANGELOG_V" + std::to_string(v) + ".md\">" + std::to_string(v) +
                   "</a><sup>" + (v % 2 == 0 ? "LTS" : "Current") + "</sup>\n";
        }
        log.append(200000, 'x');  // the rest of a real changelog: release notes
        dir.write("node/CHANGELOG.md", log);
        return dir.write("node/node.exe", Pe({{"ProductName", "Node.js"}, {"ProductVersion", "6.1.0"}})).string();
    }();
    std::string qbittorrent = [this] {
        Bytes exe = Pe({{"ProductName", "qBittorrent"}});
        exe.resize(std::size_t{8} << 20, 0);  // an ordinary build: the text is nowhere
        return dir.write("qbt/qbittorrent.exe", exe).string();
    }();
    std::string launcher = dir.write("Space Pirates/AbLauncher.exe", Pe({{"ProductName", "AbLauncher"}})).string();
    std::string macrium = [this] {
        std::vector<HiveKey> keys;
        for (int i = 0; i < 300; ++i) {
            keys.push_back({std::string(kMachineUninstall) + "App" + std::to_string(i),
                            {{"DisplayName", "Program " + std::to_string(i)}, {"DisplayVersion", "1.0"}},
                            {}});
        }
        keys.push_back({std::string(kMachineUninstall) + "Reflect", {{"DisplayName", "Macrium Reflect Free"}}, {}});
        hives.machine(keys);
        return dir.write("macrium/Reflect.exe", Pe({{"ProductName", "Macrium Reflect"}})).string();
    }();
    std::string cpuz = [this] {
        dir.write("cpuz/rog_cpuz_readme.txt", "ROG CPU-Z Readme file\n" + std::string(20000, '-') + "\n");
        return dir.write("cpuz/cpuz.exe", Pe({{"ProductName", "CPU-Z"}})).string();
    }();
};

Files& TheFiles() {
    static Files files;
    return files;
}

void BM_ProductRules_BothListsNoRowMatches(benchmark::State& state) {
    NamingCall call;
    call.path = "/opt/harbour/harbour.exe";
    call.base_name = "harbour";
    call.folder = "/opt/harbour/";
    call.folder_name = "harbour";
    call.V.CompanyName = "Quiet Harbour Instruments Pty";
    call.V.ProductName = "Harbour Tool";
    call.V.FileVersion = "2.4.1.0";
    for (auto _ : state) {
        NamingCall c = call;
        c.R = "Harbour Tool";
        RunProductRules(EarlyProductRules(), c);
        RunProductRules(LateProductRules(), c);
        benchmark::DoNotOptimize(c.R);
    }
    state.counters["rows"] = static_cast<double>(EarlyProductRules().size() + LateProductRules().size());
}
BENCHMARK(BM_ProductRules_BothListsNoRowMatches)->Unit(benchmark::kMicrosecond);

void Name(benchmark::State& state, const std::string& path, const char* expected) {
    if (GetProductName(path) != expected) state.SkipWithError("unexpected name");
    for (auto _ : state) benchmark::DoNotOptimize(GetProductName(path));
}

void BM_Rule_SiblingIni(benchmark::State& s) { Name(s, TheFiles().eset, "ESET Smart Security Premium"); }
void BM_Rule_Changelog(benchmark::State& s) { Name(s, TheFiles().node, "Node.js (LTS)"); }
void BM_Rule_OwnContent8MB(benchmark::State& s) { Name(s, TheFiles().qbittorrent, "qBittorrent"); }
void BM_Rule_FolderName(benchmark::State& s) { Name(s, TheFiles().launcher, "Space Pirates"); }
void BM_Rule_Uninstall300Entries(benchmark::State& s) { Name(s, TheFiles().macrium, "Macrium Reflect Free"); }
void BM_Rule_ReadmeEdition(benchmark::State& s) { Name(s, TheFiles().cpuz, "CPU-Z ROG Edition"); }
BENCHMARK(BM_Rule_SiblingIni)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rule_Changelog)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rule_OwnContent8MB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rule_FolderName)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rule_Uninstall300Entries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rule_ReadmeEdition)->Unit(benchmark::kMicrosecond);

}  // namespace
