// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The product table proves itself: every row's own case, built as a file with its version
// strings, the files beside it and the uninstall entries it needs, comes out of the whole
// naming engine as that row's name. A row that an earlier one shadows, or that a later one
// undoes, fails here.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "productinfo/U_OrvoFct.h"
#include "productinfo/product_example_fixture.h"
#include "productinfo/product_rules.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

void ExpectEveryRowNamesItsCase(std::span<const ProductRule> rows, const char* list) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ProductExample& ex = rows[i].sample;
        SCOPED_TRACE(std::string(list) + " row " + std::to_string(i) + " (" + std::string(ex.result) + ")");
        ASSERT_FALSE(ex.file.empty()) << "every row carries its case";
        ASSERT_FALSE(ex.result.empty());
        TempDir dir;
        ScopedHives hives;
        const std::string exe = BuildExample(dir, hives, ex);
        EXPECT_EQ(GetProductName(exe), ex.result) << ex.file << " " << ex.fields;
    }
}

}  // namespace

TEST(ProductRuleTable, EveryEarlyRowNamesItsOwnCase) { ExpectEveryRowNamesItsCase(EarlyProductRules(), "early"); }

TEST(ProductRuleTable, EveryLateRowNamesItsOwnCase) { ExpectEveryRowNamesItsCase(LateProductRules(), "late"); }

TEST(ProductRuleTable, RowsAreWholeAndTheirCasesDiffer) {
    // A row without a test would rename every name; a Call row without its function does nothing.
    std::set<std::string> cases;
    for (auto rows : {EarlyProductRules(), LateProductRules()}) {
        for (const ProductRule& row : rows) {
            bool tests = false;
            for (const RuleTest& t : row.when) tests = tests || t.subject != Subject::None || t.match == Match::FileExists;
            EXPECT_TRUE(tests) << row.sample.result;
            if (row.then.action == Action::Call) {
                EXPECT_NE(row.then.fn, nullptr) << row.sample.result;
            }
            const std::string key = std::string(row.sample.file) + "|" + std::string(row.sample.fields) + "|" +
                                    std::string(row.sample.files) + "|" + std::string(row.sample.uninstall);
            EXPECT_TRUE(cases.insert(key).second) << "two rows share one case: " << key;
        }
    }
}
