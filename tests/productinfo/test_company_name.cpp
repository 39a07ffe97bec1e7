// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "productinfo/U_OrvoFct.h"
#include "productinfo/product_rules.h"
#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

using Strings = std::vector<std::pair<std::string, std::string>>;

std::string WritePe(const TempDir& dir, const std::string& name, const Strings& strings) {
    return dir.write(name, BuildPeWithVersion(EncodeVersionInfo(VersionWithStrings(strings))).bytes).string();
}

struct TextCase {
    std::string in;
    std::string out;
};

}  // namespace

TEST(CleanCompanyName, RemovesCopyrightWordingUntilNothingChanges) {
    const std::string sign = CopyrightSign();
    const std::vector<TextCase> cases = {
        {"Copyright (c) 2005-2011 Foo Software. All rights reserved.", "Foo Software"},
        {"(C) 2010 Foo Ltd", "Foo Ltd"},
        {"C 2001 Foo Ltd", "Foo Ltd"},
        {"by Foo Bar", "Foo Bar"},
        {"Foo Ltd, All Rights Reserved", "Foo Ltd"},
        {"Foo Ltd. All Rigths Reserved.", "Foo Ltd"},
        {"Foo Inc.All Rights Reserved", "Foo Inc"},
        {"Foo Corp 2012.", "Foo Corp"},
        {"Foo Corp 2019", "Foo Corp"},
        {"Foo Corp 1990", "Foo Corp 1990"},  // not a year of a copyright this program knows
        {"Foo Corp 07", "Foo Corp"},
        {"2010/2011 Foo GmbH", "Foo GmbH"},
        {"06/2007 Foo GmbH", "Foo GmbH"},
        {"Foo Tools under the GPL.", "Foo Tools"},
        {"Foo Tools. This software is licensed under the terms of the GNU General Public License.", "Foo Tools"},
        {"Copyright(c) Foo", "Foo"},
        {"Copyright\xC2\xA9 Foo", "Foo"},
        {"All rights reserved Foo", "Foo"},
        {"Foo. All rights reserved.", "Foo"},
        {"-Foo-", "Foo"},
        {",Foo,", "Foo"},
        {"Foo Ltd", "Foo Ltd"},
        {"", ""},
        // A name part that merely has four letters is not a year range.
        {"Acme/Foo Corp", "Acme/Foo Corp"},
        // "All rights reserved" is cut only where it ends the text.
        {"Foo. All Rights Reserved. Bar", "Foo. All Rights Reserved. Bar"},
        // A name ending in a letter beyond ASCII keeps it whole, in UTF-8 or a single-byte code page.
        {"Copyright (c) 2011 Dupr\xC3\xA9 All Rights Reserved", "Dupr\xC3\xA9"},
        {"Dupr\xC3\xA9, All Rights Reserved", "Dupr\xC3\xA9"},
        {"Dupr\xE9 All Rights Reserved", "Dupr\xE9"},
    };
    for (const auto& c : cases) EXPECT_EQ(CleanCompanyName(c.in), c.out) << c.in;
    if (!sign.empty()) {
        EXPECT_EQ(CleanCompanyName(sign + " 2015 Foo Corp"), "Foo Corp");
        EXPECT_EQ(CleanCompanyName("Foo Corp " + sign), "Foo Corp");
    }
}

TEST(NormaliseCompany, CleansLicenceWordingAddressesAndPlaceholders) {
    const std::vector<TextCase> cases = {
        {"Foo Software\r\nSecond line", "Foo Software"},
        {std::string("Foo Software\0tail", 17), "Foo Software"},
        {"  -  ", ""},
        {"none", ""},
        {"NONE", ""},
        {"Company", ""},
        {"TODO: <Company name>", ""},
        {"$Company$", ""},
        {".", ""},
        {"GNU General Public License", ""},
        {"Released under GNU GPL v2", ""},
        {"Foo Team (GPL)", "Foo Team"},
        {"Foo Team - Licensed under GPL", "Foo Team"},
        {"Developed by Foo Team", "Foo Team"},
        {"Foo Labs http://foo.example/", "Foo Labs"},
        {"Foo Labs http://foo.example/ and friends", "Foo Labs http://foo.example/ and friends"},
        {"Foo Labs, www.foo.example", "Foo Labs"},
        {"Foo Holdings L.L.C.", "Foo Holdings LLC"},
        {"Foo Holdings;", "Foo Holdings"},
        {"Foo Holdings, (", "Foo Holdings"},
        {"Foo Tools <help@foo.example>", "Foo Tools"},
        {"?", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(NormaliseCompany(c.in, "", "Unrelated Product"), c.out) << c.in;
}

TEST(GetProductCompany, SpecialIdentifiersNeedNoFile) {
    EXPECT_EQ(GetProductCompany("QTA"), "QuickTime Alternative Team");
    EXPECT_EQ(GetProductCompany("KLITEMEGA"), "K-Lite Codec Pack Team");
    EXPECT_EQ(GetProductCompany("HASHTAB"), "Implbits Software");
    EXPECT_FALSE(GetProductCompany("OPENHASHTAB").empty());
    EXPECT_EQ(GetProductCompany("qta"), "") << "lower case is a path, and no such file exists";
    EXPECT_EQ(GetDisplayedFileInfo("CCCP"), (TDisplayedFileInfo{"Combined Community Codec Pack", "CCCP Project"}));
}

TEST(GetProductCompany, FromTheVersionResource) {
    struct Case {
        const char* what;
        Strings strings;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"plain", {{"CompanyName", "Foo Software Ltd"}, {"ProductName", "Foo"}}, "Foo Software Ltd"},
        {"\", LLC\" is no company: the copyright line is cleaned and used",
         {{"CompanyName", ", LLC"},
          {"ProductName", "Foo"},
          {"LegalCopyright", "Copyright (c) 2005-2011 Foo Software. All rights reserved."}},
         "Foo Software"},
        {"an empty company falls back on the copyright line",
         {{"ProductName", "Foo"}, {"LegalCopyright", "  (C) 2010 Foo Ltd  "}},
         "Foo Ltd"},
        {"cut at its carriage return",
         {{"CompanyName", "Foo Software\rhttp://foo.example"}, {"ProductName", "Foo"}},
         "Foo Software"},
        {"a copyright line in the company field is cleaned too",
         {{"CompanyName", "Copyright 2014 Foo Ltd"}, {"ProductName", "Foo"}},
         "Foo Ltd"},
        {"a dash", {{"CompanyName", "-"}, {"ProductName", "Foo"}}, ""},
        {"garbage", {{"CompanyName", "Foo ?? Corp"}, {"ProductName", "Foo"}}, ""},
        {"a template field", {{"CompanyName", "$CompanyName$"}, {"ProductName", "Foo"}}, ""},
    };
    for (const auto& c : cases) {
        TempDir dir;
        EXPECT_EQ(GetProductCompany(WritePe(dir, "foo.exe", c.strings)), c.expected) << c.what;
    }
}

TEST(GetProductCompany, ExactAudioCopyIsKnownByItsFolder) {
    TempDir dir;
    const std::string eac = WritePe(dir, "Exact Audio Copy/EAC.exe", {{"ProductName", "EAC"}});
    EXPECT_FALSE(GetProductCompany(eac).empty());
    const std::string elsewhere = WritePe(dir, "Other/EAC.exe", {{"ProductName", "EAC"}});
    EXPECT_EQ(GetProductCompany(elsewhere), "");
}

TEST(GetDisplayedFileInfo, NameAndCompanyTogether) {
    TempDir dir;
    const std::string tool = WritePe(dir, "tool.exe", {{"ProductName", "Foo Tool"}, {"CompanyName", "Foo Ltd"}});
    EXPECT_EQ(GetDisplayedFileInfo(tool), (TDisplayedFileInfo{"Foo Tool", "Foo Ltd"}));

    // A name that is garbage is dropped; with a company, the file's own name stands in.
    const std::string odd = WritePe(dir, "odd.exe", {{"ProductName", "$ProductName$"}, {"CompanyName", "Foo Ltd"}});
    EXPECT_EQ(GetProductName(odd), "");
    EXPECT_EQ(GetDisplayedFileInfo(odd), (TDisplayedFileInfo{"odd", "Foo Ltd"}));

    EXPECT_EQ(GetDisplayedFileInfo((dir.path() / "missing.exe").string()), (TDisplayedFileInfo{"missing", ""}));
}

TEST(CompanyText, AnyBytesAnyLengthEndWithoutCrash) {
    std::vector<std::string> inputs = {
        std::string(100000, 'A'),
        std::string(20000, '\r'),
        std::string(5000, '\0') + "Foo",
        "\xFF\xFE\x80 invalid \xC2 utf-8 \xE2\x84",
        std::string(50000, ' ') + "2011",
        std::string(50000, ','),
    };
    std::string years;
    for (int i = 0; i < 20000; ++i) years += "2011 ";
    inputs.push_back(years + "Foo");
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    inputs.push_back(all);
    for (const std::string& in : inputs) {
        const std::string out = NormaliseCompany(in, "", "x");
        EXPECT_LE(out.size(), in.size());
        const std::string cleaned = CleanCompanyName(in);
        EXPECT_LE(cleaned.size(), in.size());
    }
    EXPECT_EQ(NormaliseCompany(std::string(100000, 'A'), "", "x"), std::string(100000, 'A'))
        << "a long name is not shortened for being long";
}

TEST(NormaliseCompany, ABareNameHasNoSiblingFiles) {
    TempDir dir;
    dir.write("META-INF/AIR/application.xml", "<copyright>Stray Corp</copyright>\n");
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string company = NormaliseCompany("", "", "Some Product");
    const std::string name = GetProductName("app.exe");
    std::filesystem::current_path(old);
    EXPECT_EQ(company, "") << "the manifest of the current folder is nobody's";
    EXPECT_EQ(name, "app");
}

TEST(GetProductCompany, AnAuthorsHandleFollowsTheInstalledVersion) {
    TempDir dir;
    auto pe = [&](const std::string& name, std::uint32_t ms, std::uint32_t ls) {
        VersionInfoSpec spec = VersionWithStrings({{"CompanyName", "Dirk Vandermolen"}, {"ProductName", "DVD Flick"}});
        spec.fileVersionMS = ms;
        spec.fileVersionLS = ls;
        return dir.write(name, BuildPeWithVersion(EncodeVersionInfo(spec)).bytes).string();
    };
    EXPECT_EQ(GetProductCompany(pe("old/dvdflick.exe", 0x00010133u, 0x02E20000u)), "Dirk Vandermolen")
        << "the threshold itself is the old series";
    EXPECT_EQ(GetProductCompany(pe("new/dvdflick.exe", 0x00010133u, 0x02E20001u)), "vandermolen.dev");
    EXPECT_EQ(GetProductCompany(pe("two/dvdflick.exe", 0x00020000u, 0)), "vandermolen.dev");
}
