// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The publisher rules: one row per raw form of a publisher's name, in the order the rows
// run; R is the company being normalised, Product the product name. Match texts carry the
// legal suffixes and former names publishers really use; a prefix ends with a space or
// punctuation where a shorter one would catch another publisher ("AMD " must not catch
// "AMDA Software"). Every row carries one raw text it is meant for; the tests run each
// through the whole table.
#include <array>
#include <string>

#include "productinfo/product_rules.h"
#include "productinfo/uninstall_lookups.h"
#include "support/text_utils.h"

namespace vanto {

namespace {

using namespace rules;
constexpr Subject K = Subject::R;
constexpr Subject P = Subject::Product;
constexpr Subject Base = Subject::BaseName;
constexpr Subject Folder = Subject::Folder;

// --- Rows that need more than a test and a text ------------------------------------------

// MiniTool's partition tool ships without a company; an installed copy names the product.
void PartitionWizardPublisher(NamingCall& c) {
    if (!FindVersionInDisplayName("MiniTool Partition Wizard").empty()) c.R = "MiniTool Solution Ltd.";
}

// The SSD tool of Western Digital, known by the uninstall entry of its own folder.
void SsdDashboardPublisher(NamingCall& c) {
    if (TextContains("Dashboard", FindUninstallDisplayName(c.folder))) c.R = "Western Digital";
}

// ArtMoney's executables are named "am" and their version ("am810.exe").
void ArtMoneyPublisher(NamingCall& c) {
    const std::string& base = c.base_name;
    if (base.size() > 2 && TextStartsWith(base, "am") && IsDottedNumber(std::string_view(base).substr(2))) {
        c.R = "System SoftLab";
    }
}

// Trade marks and support addresses around a name: "Foo Inc.®", "Foo Ltd <help@foo>".
void TrimMarks(NamingCall& c) {
    const std::string& registered = RegisteredSign();
    if (!registered.empty() && std::string_view(c.R).ends_with(registered)) {
        c.R.resize(c.R.size() - registered.size());
    }
    if (!c.R.empty() && c.R.back() == '>' && c.R.find('<') != std::string::npos) {
        c.R = TrimText(c.R.substr(0, c.R.find('<')));
    }
}

// clang-format off
const std::array kRules = std::to_array<ProductRule>({
    // Marks first, so every row below sees the bare name.
    {{}, Call(TrimMarks), "Example Corp <support@example.com>"},

    // Publishers told by the file or the registry, for products that name none.
    {{IsEmpty(K), Is(Base, "partitionwizard")}, Call(PartitionWizardPublisher)},
    {{IsEmpty(K), Is(Base, "dashboard"), Contains(Folder, "SSD Dashboard")}, Call(SsdDashboardPublisher)},
    {{IsEmpty(K), Contains(P, "WizTree")}, SetTo("Antibody Software"), "WizTree"},
    {{IsEmpty(K), Contains(P, "PowerPanel")}, SetTo("Cyber Power Systems, Inc."), "PowerPanel Personal"},
    {{IsEmpty(K), Contains(P, "ArtMoney")}, Call(ArtMoneyPublisher)},

    // TABLE-ROWS-BELOW
});
// clang-format on

}  // namespace

std::span<const ProductRule> PublisherRules() { return kRules; }

}  // namespace vanto
