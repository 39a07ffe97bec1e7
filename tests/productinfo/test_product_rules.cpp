// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The rule runner's test and effect kinds on hand-made naming calls: version ranges,
// sibling-file tests, text replacement, cutting at a word and taking a folder's name.
#include "productinfo/product_rules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "testsupport/test_support.h"

using namespace vanto;
using namespace vanto::rules;

namespace {

std::string RunRow(const ProductRule& row, NamingCall call) {
    RunProductRules({&row, 1}, call);
    return call.R;
}

NamingCall WithR(std::string r) {
    NamingCall c;
    c.R = std::move(r);
    return c;
}

// A rule's search of its file's own bytes looks near the start only: a huge file (here sparse)
// costs at most the bound, and a marker past it is not found.
TEST(ProductRuleKinds, ContentSearchesStopAtTheirBound) {
    vanto::testing::TempDir dir;
    const auto path = dir.path() / "dosbox.exe";
    auto put = [&](std::uint64_t at, const std::string& text) {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(at));
        f.write(text.data(), static_cast<std::streamsize>(text.size()));
    };
    std::ofstream(path, std::ios::binary).put('M');
    std::filesystem::resize_file(path, kMaxContentSearchBytes + (std::uint64_t{64} << 20));
    put(1u << 20, "DOSBox %s r4000,");
    put(kMaxContentSearchBytes + (1u << 20), "qBittorrent Enhanced Edition");
    put(kMaxContentSearchBytes - 4, "SPLIT-MARK");  // begins inside the bound, ends past it

    std::uint64_t at = 0;
    ASSERT_TRUE(FindInFile(path.string(), "DOSBox %s r", at));
    EXPECT_EQ(at, 1u << 20);
    EXPECT_FALSE(FindInFile(path.string(), "qBittorrent Enhanced Edition", at)) << "past the bound";
    EXPECT_FALSE(FindInFile(path.string(), "SPLIT-MARK", at)) << "ends past the bound";
    EXPECT_TRUE(FindInFile(path.string(), "SPLIT-MARK", at, 0, kMaxContentSearchBytes + 16));
    EXPECT_EQ(at, kMaxContentSearchBytes - 4);
    EXPECT_TRUE(FindInFile(path.string(), "r4000", at, 0, (1u << 20) + 15)) << "a small bound of its own";
    EXPECT_FALSE(FindInFile(path.string(), "r4000", at, 0, (1u << 20) + 14));
}

}  // namespace

TEST(ProductRuleKinds, VersionRanges) {
    const ProductRule tax{{MajorIn(Subject::FileVersion, 2001, 2099)}, AppendMajor(Subject::FileVersion)};
    const ProductRule release{{ReleaseIs(Subject::ProductVersion, 2)}, Append(" E")};
    struct Case {
        std::string version;
        std::string tax;
        std::string release;
    };
    const std::vector<Case> cases = {
        {"2001", "T 2001", "T"},          {"2099.9.2.1", "T 2099", "T E"}, {"2000.1", "T", "T"},
        {"2100", "T", "T"},               {"", "T", "T"},                  {"1.2.2", "T", "T E"},
        {"abc.def.2", "T", "T E"},        {"-2050", "T", "T"},             {"2050.1.2.3.4.5.6.7", "T 2050", "T E"},
    };
    for (const Case& c : cases) {
        NamingCall call = WithR("T");
        call.V.FileVersion = c.version;
        call.V.ProductVersion = c.version;
        EXPECT_EQ(RunRow(tax, call), c.tax) << c.version;
        EXPECT_EQ(RunRow(release, call), c.release) << c.version;
    }
    // The offset is added to the number as a version reads it (a part above 65535 reads as 0).
    NamingCall call = WithR("T");
    call.V.FileVersion = "65535.1";
    EXPECT_EQ(RunRow({{}, AppendMajor(Subject::FileVersion, 1994)}, call), "T 67529");
    call.V.FileVersion = "65536.1";
    EXPECT_EQ(RunRow({{}, AppendMajor(Subject::FileVersion, 1994)}, call), "T 1994");
}

TEST(ProductRuleKinds, SiblingFileTests) {
    vanto::testing::TempDir dir;
    dir.write("Patches.txt", "x");
    dir.write("sub/inner.txt", "");
    NamingCall call = WithR("DOSBox");
    call.folder = dir.str() + "/";
    EXPECT_TRUE(TestHolds(HasFile("Patches.txt"), call));
    EXPECT_TRUE(TestHolds(HasFile("sub\\inner.txt"), call)) << "either separator, and an empty file exists";
    EXPECT_FALSE(TestHolds(HasFile("sub"), call)) << "a folder is no file";
    EXPECT_FALSE(TestHolds(HasFile("missing.txt"), call));
    EXPECT_TRUE(TestHolds(Not(HasFile("missing.txt")), call));
    call.folder.clear();
    EXPECT_FALSE(TestHolds(HasFile("Patches.txt"), call)) << "a bare name has no siblings";
}

TEST(ProductRuleKinds, ReplaceKeepWordsAndFolderNames) {
    EXPECT_EQ(RunRow({{}, ReplaceText("Steuer:", "Steuer-")}, WithR("Steuer:A steuer:B Steuer:")), "Steuer-A steuer:B Steuer-");
    EXPECT_EQ(RunRow({{}, ReplaceText("aa", "a")}, WithR("aaaa")), "aa") << "each occurrence once, left to right";

    const ProductRule cs{{}, KeepWordsBefore("CS")};
    EXPECT_EQ(RunRow(cs, WithR("Adobe Photoshop CS5 Extended")), "Adobe Photoshop");
    EXPECT_EQ(RunRow(cs, WithR("Adobe Photoshop  cs3")), "Adobe Photoshop") << "case-insensitive, doubled space";
    EXPECT_EQ(RunRow(cs, WithR("Adobe Photoshop")), "Adobe Photoshop") << "no such word";
    EXPECT_EQ(RunRow(cs, WithR("CS Tool")), "");

    NamingCall call = WithR("AbLauncher");
    call.folder_name = "Some Game.v1.2";
    EXPECT_EQ(RunRow({{}, TakeFieldNoExt(Subject::FolderName)}, call), "Some Game.v1");
    call.folder_name = "Plain";
    EXPECT_EQ(RunRow({{}, TakeFieldNoExt(Subject::FolderName)}, call), "Plain");
}
