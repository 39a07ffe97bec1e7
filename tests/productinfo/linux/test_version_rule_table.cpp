// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The version table proves itself, as the product table does: every row's own case, built as
// a file with its version strings, the files beside it and the uninstall entries it reads,
// gives that row's version through the whole of GetProductVersion. A row that an earlier one
// shadows, or whose source finds nothing, fails here.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "productinfo/U_OrvoFct.h"
#include "productinfo/product_example_fixture.h"
#include "productinfo/product_rules.h"

using namespace vanto;
using namespace vanto::testing;

TEST(VersionRuleTable, EveryRowGivesItsOwnCasesVersion) {
    const std::vector<VersionRowCase> cases = VersionRuleCases();
    ASSERT_GT(cases.size(), 100u);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const ProductExample& ex = cases[i].sample;
        SCOPED_TRACE(std::string(cases[i].stage) + " row " + std::to_string(i) + " (" + std::string(ex.file) + ")");
        ASSERT_FALSE(ex.file.empty()) << "every row carries its case";
        TempDir dir;
        ScopedHives hives;
        std::string exe = BuildExample(dir, hives, ex);
        EXPECT_EQ(GetProductVersion(exe), ex.result) << ex.fields;
    }
}

TEST(VersionRuleTable, RowsAreWholeAndTheirCasesDiffer) {
    std::set<std::string> seen;
    for (const VersionRowCase& c : VersionRuleCases()) {
        EXPECT_TRUE(c.has_tests) << c.sample.file << ": a row without a test would answer for every file";
        EXPECT_TRUE(c.has_source) << c.sample.file << ": a Call row without its function finds nothing";
        const std::string key = std::string(c.sample.file) + "|" + std::string(c.sample.fields) + "|" +
                                std::string(c.sample.files) + "|" + std::string(c.sample.uninstall);
        EXPECT_TRUE(seen.insert(key).second) << "two rows share one case: " << key;
    }
}
