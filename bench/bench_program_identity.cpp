// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Cost of the Linux program index on a full desktop's worth of files, generated once into a
// temporary folder: 2,000 desktop entries (half naming their program through PATH), 500
// AppStream files, and a dpkg database of 3,000 packages owning 300,000 files. Measured: one
// whole build of each part of the index (what the first use costs, in its own thread), and a
// lookup of a program with a warm index (what naming one process costs on every refresh).
#include "platform/linux/program_index.h"
#include "platform/program_identity.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "testsupport/test_support.h"

#include <benchmark/benchmark.h>

using namespace vanto;
using namespace vanto::platform;

namespace {

constexpr int kEntries = 2000;
constexpr int kAppStreamFiles = 500;
constexpr int kPackages = 3000;
constexpr int kFilesPerPackage = 100;

struct Machine {
    testing::TempDir dir;
    std::string program;  // a program with an entry, AppStream data and a package
    ProgramIdentitySources sources;

    Machine() {
        const std::string root = dir.str();
        std::string status;
        for (int p = 0; p < kPackages; ++p) {
            const std::string name = "package-" + std::to_string(p);
            status += "Package: " + name + "\nStatus: install ok installed\nPriority: optional\nSection: misc\n"
                      "Installed-Size: 1234\nMaintainer: Someone <someone@example.org>\nArchitecture: amd64\n"
                      "Version: 1:" + std::to_string(p) + ".2.3-1+deb12u1\nDescription: package number " +
                      std::to_string(p) + "\n a longer description of what it does\n .\n and more of it\n\n";
            std::string list = "/.\n/usr\n/usr/share\n/usr/share/" + name + "\n";
            for (int f = 1; f < kFilesPerPackage - 3; ++f)
                list += "/usr/share/" + name + "/some/deeper/folder/file-" + std::to_string(f) + ".data\n";
            list += root + "/bin/prog-" + std::to_string(p) + "\n";
            dir.write("dpkg/info/" + name + ".list", list);
        }
        dir.write("dpkg/status", status);
        for (int e = 0; e < kEntries; ++e) {
            const std::string n = std::to_string(e);
            const std::string prog = dir.write("bin/prog-" + n, "#!/bin/sh\n").string();
            ::chmod(prog.c_str(), 0755);
            const std::string exec = e % 2 == 0 ? "prog-" + n + " %U" : "\"" + prog + "\" --flag %F";
            std::string text = "[Desktop Entry]\nType=Application\nName=Program " + n + "\nGenericName=Thing\n"
                               "Comment=Does things\nExec=" + exec + "\nIcon=prog-" + n + "\nCategories=Utility;\n";
            for (const char* lang : {"de", "fr", "es", "it", "ja", "pt_BR", "ru", "zh_CN"})
                text += std::string("Name[") + lang + "]=Programm " + n + "\nComment[" + lang + "]=Macht Dinge\n";
            text += "\n[Desktop Action new]\nName=New\nExec=prog-" + n + " --new\n";
            dir.write("share/applications/org.example.Prog" + n + ".desktop", text);
            if (e < kAppStreamFiles) {
                dir.write("metainfo/org.example.Prog" + n + ".metainfo.xml",
                          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<component type=\"desktop-application\">\n"
                          "  <id>org.example.Prog" + n + "</id>\n  <name>Program</name>\n"
                          "  <summary>Does things</summary>\n  <developer_name>Maker " + n +
                          "</developer_name>\n  <launchable type=\"desktop-id\">org.example.Prog" + n +
                          ".desktop</launchable>\n  <description><p>Long text.</p></description>\n"
                          "  <releases>\n    <release version=\"2.0\" date=\"2024-01-01\"/>\n"
                          "    <release version=\"1.0\" date=\"2020-01-01\"/>\n  </releases>\n</component>\n");
            }
        }
        for (const char* d : {"usr/local/bin", "usr/bin", "bin2", "usr/games"}) dir.write(std::string(d) + "/.keep", "");
        ::setenv("XDG_DATA_HOME", (root + "/home").c_str(), 1);
        ::setenv("XDG_DATA_DIRS", (root + "/share").c_str(), 1);
        ::setenv("PATH", (root + "/usr/local/bin:" + root + "/usr/bin:" + root + "/bin2:" + root + "/usr/games:" + root + "/bin").c_str(), 1);
        ::setenv("LANG", "de_DE.UTF-8", 1);
        ProgramIdentitySources s;
        s.dpkg_folder = root + "/dpkg";
        s.appstream_folders = {root + "/metainfo"};
        s.flatpak_installations = {};
        s.snap_desktop_folder = root + "/snapd";
        s.snap_mount_folder = root + "/snap";
        SetProgramIdentitySources(s);
        sources = s;
        program = root + "/bin/prog-42";
    }
};

Machine& TheMachine() {
    static Machine m;
    return m;
}

// One part's build from the given sources, with its size as a counter.
void NameIndexBuild(benchmark::State& state, const ProgramIdentitySources& sources) {
    const NameIndexFacts facts = CurrentNameIndexFacts(sources);
    const std::atomic<bool> stop{false};
    std::size_t apps = 0;
    for (auto _ : state) {
        const auto index = BuildNameIndex(facts, stop);
        apps = index->apps.size();
        benchmark::DoNotOptimize(index);
    }
    state.counters["entries"] = static_cast<double>(apps);
}

void PackageIndexBuild(benchmark::State& state, const ProgramIdentitySources& sources) {
    const PackageIndexFacts facts = CurrentPackageIndexFacts(sources);
    const std::atomic<bool> stop{false};
    std::size_t files = 0;
    for (auto _ : state) {
        const auto index = BuildPackageIndex(facts, stop);
        files = index->package_by_file.size();
        benchmark::DoNotOptimize(index);
    }
    state.counters["package_files"] = static_cast<double>(files);
}

// The same builds on this machine's own folders (run first, before the generated machine
// replaces the environment).
void BM_NameIndex_ThisMachine(benchmark::State& state) { NameIndexBuild(state, ProgramIdentitySources{}); }
BENCHMARK(BM_NameIndex_ThisMachine)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_PackageIndex_ThisMachine(benchmark::State& state) { PackageIndexBuild(state, ProgramIdentitySources{}); }
BENCHMARK(BM_PackageIndex_ThisMachine)->Unit(benchmark::kMillisecond)->Iterations(10);

// The environment the generated machine set up, with its sources.
void BM_NameIndex_FullBuild(benchmark::State& state) { NameIndexBuild(state, TheMachine().sources); }
BENCHMARK(BM_NameIndex_FullBuild)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_PackageIndex_FullBuild(benchmark::State& state) { PackageIndexBuild(state, TheMachine().sources); }
BENCHMARK(BM_PackageIndex_FullBuild)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_FindProgramIdentity_Warm(benchmark::State& state) {
    Machine& m = TheMachine();
    WaitForProgramIdentityIndex(ProgramIdentityNeed::Versions);
    ProgramIdentity id;
    if (!FindProgramIdentity(m.program, id) || id.name != "Programm 42" || id.version != "42.2.3" ||
        id.publisher != "Maker 42") {
        state.SkipWithError("the generated machine is not indexed as expected");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(FindProgramIdentity(m.program, id));
}
BENCHMARK(BM_FindProgramIdentity_Warm)->Unit(benchmark::kMicrosecond);

}  // namespace
