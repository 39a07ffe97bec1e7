// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Cost of the company half of the naming: NormaliseCompany of a name that no publisher rule
// knows (the whole table walked, then the clean-up), of a name the first rows know, and
// GetDisplayedFileInfo of a small PE (version resource read for the name and again for the
// company).
#include "productinfo/U_OrvoFct.h"
#include "productinfo/product_rules.h"

#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

#include <benchmark/benchmark.h>

using namespace vanto;
using namespace vanto::testing;

namespace {

void BM_NormaliseCompany_NoRuleMatches(benchmark::State& state) {
    const std::string company = "Copyright (c) 2009 Quiet Harbour Instruments Pty";
    for (auto _ : state) benchmark::DoNotOptimize(NormaliseCompany(company, "", "Harbour Tool"));
    state.counters["rules"] = static_cast<double>(PublisherRules().size());
}
BENCHMARK(BM_NormaliseCompany_NoRuleMatches)->Unit(benchmark::kMicrosecond);

void BM_CleanCompanyName_Copyright(benchmark::State& state) {
    const std::string company = "Copyright (c) 2005-2011 Foo Software. All rights reserved.";
    for (auto _ : state) benchmark::DoNotOptimize(CleanCompanyName(company));
}
BENCHMARK(BM_CleanCompanyName_Copyright)->Unit(benchmark::kMicrosecond);

void BM_GetDisplayedFileInfo_SmallPe(benchmark::State& state) {
    TempDir dir;
    const std::string pe = dir.write("tool.exe", BuildPeWithVersion(EncodeVersionInfo(VersionWithStrings(
                                                     {{"CompanyName", "Quiet Harbour Instruments Pty"},
                                                      {"FileDescription", "Harbour Tool"},
                                                      {"FileVersion", "2.4.1.0"},
                                                      {"ProductName", "Harbour Tool"},
                                                      {"LegalCopyright", "(c) 2020 Quiet Harbour"}})))
                                                     .bytes)
                                 .string();
    for (auto _ : state) benchmark::DoNotOptimize(GetDisplayedFileInfo(pe));
}
BENCHMARK(BM_GetDisplayedFileInfo_SmallPe)->Unit(benchmark::kMicrosecond);

}  // namespace
