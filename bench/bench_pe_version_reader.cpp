// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Cost of reading an executable's version resource from disk, as the connection list does for
// every row every second: a 100 MB PE whose resource section comes last, a small PE, an ELF
// without a version section and one with it; and the parse alone, from memory. Then the
// whole naming (`GetProductName`: the reader, the clean-up, the bitness check) of the same files.
#include "support/pe_version_reader.h"

#include "productinfo/U_OrvoFct.h"

#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

#include <benchmark/benchmark.h>

#include <stdexcept>

using namespace vanto;
using namespace vanto::testing;

namespace {

Bytes Version() {
    VersionInfoSpec options = VersionWithStrings({{"CompanyName", "Ombrevale"},
                                               {"FileDescription", "Vantoscope network connection monitor"},
                                               {"FileVersion", "1.8.4.23"},
                                               {"InternalName", "vantoscope"},
                                               {"LegalCopyright", "Ombrevale"},
                                               {"OriginalFilename", "vantoscope.exe"},
                                               {"ProductName", "Vantoscope"},
                                               {"ProductVersion", "1.8.4.23"}});
    options.fileVersionMS = 0x00010008;
    options.fileVersionLS = 0x00040017;
    return EncodeVersionInfo(options);
}

// The files live for the whole run; building the 100 MB one once is enough.
struct Files {
    TempDir dir;
    std::string largePe;
    std::string smallPe;
    std::string plainElf;
    std::string versionedElf;

    Files() {
        PeSpec large;
        large.pe32plus = true;
        large.codeSize = 100u << 20;
        large.versions.push_back({0x0409, Version()});
        largePe = dir.write("large.exe", BuildPe(large).bytes).string();
        smallPe = dir.write("small.exe", BuildPeWithVersion(Version()).bytes).string();
        ElfSpec elf;
        elf.withVersionSection = false;
        plainElf = dir.write("plain", BuildElf(elf).bytes).string();
        elf.withVersionSection = true;
        elf.versionSection = Version();
        versionedElf = dir.write("versioned", BuildElf(elf).bytes).string();
    }
};

Files& TheFiles() {
    static Files files;
    return files;
}

void ReadProductName(benchmark::State& state, const std::string& path, bool expectVersion) {
    for (auto _ : state) {
        VersionResource res;
        const bool ok = ReadVersionResource(path, res);
        std::string name = PrimaryVersionString(res, "ProductName");
        benchmark::DoNotOptimize(name);
        if (ok != expectVersion) {
            state.SkipWithError("unexpected result");
            break;
        }
    }
}

// The parse alone, without the file system: what the reader itself costs.
void BM_SmallPeInMemory(benchmark::State& state) {
    const Bytes pe = BuildPeWithVersion(Version()).bytes;
    for (auto _ : state) {
        MemoryByteSource src(pe.data(), pe.size());
        VersionResource res;
        ReadVersionResource(src, res);
        std::string name = PrimaryVersionString(res, "ProductName");
        benchmark::DoNotOptimize(name);
    }
}
BENCHMARK(BM_SmallPeInMemory);

void BM_LargePeResourceLast(benchmark::State& state) { ReadProductName(state, TheFiles().largePe, true); }
void BM_SmallPe(benchmark::State& state) { ReadProductName(state, TheFiles().smallPe, true); }
void BM_PlainElf(benchmark::State& state) { ReadProductName(state, TheFiles().plainElf, false); }
void BM_ElfWithVersionSection(benchmark::State& state) { ReadProductName(state, TheFiles().versionedElf, true); }
#if defined(__linux__)
// A real, linker-made ELF: this benchmark program itself.
void BM_PlainElfSelf(benchmark::State& state) { ReadProductName(state, "/proc/self/exe", false); }
BENCHMARK(BM_PlainElfSelf);
#endif

BENCHMARK(BM_LargePeResourceLast);
BENCHMARK(BM_SmallPe);
BENCHMARK(BM_PlainElf);
BENCHMARK(BM_ElfWithVersionSection);

}  // namespace

void Name(benchmark::State& state, const std::string& path, const char* expected) {
    for (auto _ : state) {
        std::string name = GetProductName(path);
        benchmark::DoNotOptimize(name);
        if (name != expected) {
            state.SkipWithError(("unexpected name " + name).c_str());
            break;
        }
    }
}

void BM_GetProductName_LargePe(benchmark::State& state) { Name(state, TheFiles().largePe, "Vantoscope (64 bits)"); }
void BM_GetProductName_SmallPe(benchmark::State& state) { Name(state, TheFiles().smallPe, "Vantoscope"); }
void BM_GetProductName_PlainElf(benchmark::State& state) { Name(state, TheFiles().plainElf, "plain"); }
BENCHMARK(BM_GetProductName_LargePe);
BENCHMARK(BM_GetProductName_SmallPe);
BENCHMARK(BM_GetProductName_PlainElf);
