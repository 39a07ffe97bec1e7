// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "productinfo/U_OrvoFct.h"
#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

using Strings = std::vector<std::pair<std::string, std::string>>;

std::uint32_t Words(std::uint32_t hi, std::uint32_t lo) { return (hi << 16) | lo; }

struct Pe {
    Strings strings;
    std::uint32_t ms = 0, ls = 0;
};

// `tail`: bytes after the image, where a program keeps data of its own.
std::string WritePe(const TempDir& dir, const std::string& name, const Pe& pe, const std::string& tail = {}) {
    VersionInfoSpec spec = VersionWithStrings(pe.strings);
    spec.fileVersionMS = pe.ms;
    spec.fileVersionLS = pe.ls;
    Bytes bytes = BuildPeWithVersion(EncodeVersionInfo(spec)).bytes;
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return dir.write(name, bytes).string();
}

std::string VersionOf(std::string path, bool raw = false) { return GetProductVersion(path, {}, {}, raw); }

}  // namespace

TEST(CleanVersionText, LeadingRunOfTheVersion) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"2.5 beta", "2.5"},
        {"1, 2, 3, 4", "1.2.3.4"},
        {"1,4,2,0", "1.4.2.0"},
        {"2.5 2019", "2.5"},  // a space between two numbers ends the run
        {"1 . 2", "1.2"},
        {"5.1.2600.1 (build)", "5.1.2600.1"},
        {"v1.2", ""},
        {"", ""},
        {"  ", ""},
        {"3.", "3."},
        {" 2.3", "2.3"},  // a leading space is layout
        {"2 . 5", "2.5"},
        {"2 5", "2"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(CleanVersionText(in), out) << in;
    EXPECT_EQ(CleanVersionText(std::string(100000, '9') + " x").size(), 100000u);
}

TEST(IsNonZeroVersion, AnyPartAboveZero) {
    EXPECT_FALSE(IsNonZeroVersion(""));
    EXPECT_FALSE(IsNonZeroVersion("0.0.0.0"));
    EXPECT_FALSE(IsNonZeroVersion("abc"));
    EXPECT_TRUE(IsNonZeroVersion("0.0.0.1"));
    EXPECT_TRUE(IsNonZeroVersion("3.2"));
}

TEST(GetProductVersion, FixedVersionReconciledWithTheVersionStrings) {
    struct Case {
        const char* what;
        Pe pe;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"a template's 1.0.0.0 takes the FileVersion",
         {{{"ProductName", "Foo"}, {"FileVersion", "2.3"}}, Words(1, 0), 0},
         "2.3.0.0"},
        {"both cleaned texts share major and minor and are newer",
         {{{"ProductName", "Foo"}, {"ProductVersion", "5.1.2600.1"}, {"FileVersion", "5.1.2600.1 (build)"}},
          Words(5, 1),
          0},
         "5.1.2600.1"},
        {"comma-separated version text",
         {{{"ProductName", "Foo"}, {"ProductVersion", "1, 4, 2, 0"}}, Words(1, 0), 0},
         "1.4.2.0"},
        {"a FileVersion with the same major and minor that is newer",
         {{{"ProductName", "Foo"}, {"FileVersion", "3.1.7"}}, Words(3, 1), 0},
         "3.1.7.0"},
        {"7.61 written 7.6.1 stays the fixed version",
         {{{"ProductName", "Foo"}, {"ProductVersion", "7.61"}}, Words(7, 6), Words(1, 0)},
         "7.6.1.0"},
        {"a newer minor in the ProductVersion wins",
         {{{"ProductName", "Foo"}, {"ProductVersion", "7.8"}}, Words(7, 6), Words(1, 0)},
         "7.8.0.0"},
        {"no FileVersion replaces nothing",
         {{{"ProductName", "Foo"}}, Words(1, 0), 0},
         "1.0.0.0"},
        {"nothing at all stays all-zero", {{{"ProductName", "Foo"}}, 0, 0}, "0.0.0.0"},
        {"a ProductVersion after a space",
         {{{"ProductName", "Foo"}, {"ProductVersion", " 2.3"}}, Words(1, 0), 0},
         "2.3.0.0"},
        {"a template's 1.0.0.0 that its FileVersion made 0.0.0.5 takes a newer ProductVersion",
         {{{"ProductName", "Foo"}, {"FileVersion", "0.0.0.5"}, {"ProductVersion", "2.1"}}, Words(1, 0), 0},
         "2.1.0.0"},
        {"a dotted number of 30 parts",
         {{{"ProductName", "Foo"}, {"FileVersion", "1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16.17.18.19.20.21.22.23.24.25.26.27.28.29.30"}},
          Words(1, 0),
          0},
         "1.2.3.0"},
        {"a version text of any length",
         {{{"ProductName", "Foo"}, {"ProductVersion", std::string(30000, '7')}, {"FileVersion", std::string(30000, '.')}},
          Words(2, 0),
          0},
         "2.0.0.0"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        EXPECT_EQ(VersionOf(WritePe(dir, "foo.exe", c.pe)), c.expected) << c.what;
    }
}

TEST(GetProductVersion, RawTextAndMissingFiles) {
    TempDir dir;
    const std::string pe = WritePe(dir, "AdwCleaner.exe",
                                   {{{"ProductName", "AdwCleaner"}, {"FileVersion", "4.2.0.1"}}, Words(4, 2), 1});
    EXPECT_EQ(VersionOf(pe, true), "4.201");
    EXPECT_EQ(VersionOf(pe), "4.201.0.0");
    EXPECT_EQ(VersionOf((dir.path() / "missing.exe").string()), "");
    std::string path = (dir.path() / "x" / ".." / "AdwCleaner.exe").string();
    GetProductVersion(path);
    EXPECT_EQ(path, (dir.path() / "x" / ".." / "AdwCleaner.exe").string()) << "only system paths are redirected";
}

TEST(GetProductVersion, ProductRowsOnTheVersionStrings) {
    struct Case {
        const char* what;
        std::string file;
        Pe pe;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"Farbar tools carry a date", "FRST64.exe",
         {{{"ProductName", "Farbar Recovery Scan Tool"}, {"ProductVersion", "12.03.2024"}}, Words(1, 0), 0},
         "2024.3.12.0"},
        {"Advanced SystemCare's helpers carry a component's version", "Monitor.exe",
         {{{"ProductName", "Advanced SystemCare"}}, Words(16, 0), 0},
         ""},
        {"WinZip writes its build in words", "winzip64.exe",
         {{{"ProductName", "WinZip"}, {"ProductVersion", "26.0 (build 16340)"}}, Words(26, 0), Words(16340, 0)},
         "26.0.16340.0"},
        {"a dotted ProductVersion is the version", "Grammarly.exe",
         {{{"ProductName", "Grammarly"}, {"ProductVersion", "1.5.6"}}, Words(1, 5), 0},
         "1.5.6.0"},
        {"one with words is not dotted: the reconciliation decides", "Grammarly.exe",
         {{{"ProductName", "Grammarly"}, {"ProductVersion", "1.5.6 beta"}}, Words(1, 5), 0},
         "1.5.0.0"},
        {"Trident Z with a v", "TridentZ.exe",
         {{{"ProductName", "Trident Z Lighting Control"}, {"FileVersion", "v1.0.1.5"}}, Words(1, 0), 0},
         "1.0.1.5"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        EXPECT_EQ(VersionOf(WritePe(dir, c.file, c.pe)), c.expected) << c.what;
    }
}

TEST(GetProductVersion, SiblingFilesAndOwnBytes) {
    TempDir dir;
    // A launcher reports its application's version.
    WritePe(dir, "glyph/GlyphClientApp.exe", {{{"ProductName", "Glyph"}}, Words(3, 4), Words(5, 6)});
    EXPECT_EQ(VersionOf(WritePe(dir, "glyph/GlyphClient.exe", {{{"ProductName", "Glyph"}}, Words(1, 0), 0})),
              "3.4.5.6");

    // DOSBox keeps its build number in its bytes.
    const std::string dosbox = WritePe(dir, "dosbox/dosbox.exe",
                                       {{{"ProductName", "DOSBox"}}, Words(0, 74), 0}, "..DOSBox %s r4482, built");
    EXPECT_EQ(VersionOf(dosbox), "0.74.0.4482");

    // Google Chrome keeps one folder per version.
    const std::string chrome = WritePe(dir, "chrome/chrome.exe", {{{"ProductName", "Google Chrome"}}, 0, 0});
    for (const char* sub : {"119.0.1.2", "120.0.6099.109", "notes", "9.9"}) {
        std::filesystem::create_directories(dir.path() / "chrome" / sub);
    }
    EXPECT_EQ(VersionOf(chrome), "120.0.6099.109");
    EXPECT_EQ(GetChromeVersion((dir.path() / "glyph" / "x.exe").string()), "");

    // An Adobe AIR application without a version resource.
    PeSpec bare;
    const std::string air = dir.write("air/app.exe", BuildPe(bare).bytes).string();
    dir.write("air/META-INF/AIR/application.xml",
              "<application>\n<name>Air App</name>\n<versionNumber>2.5.1</versionNumber>\n</application>\n");
    EXPECT_EQ(VersionOf(air), "2.5.1.0");
}

TEST(GetProductVersion, BadSiblingFilesCountAsAbsent) {
    TempDir dir;
    const std::string tool = WritePe(dir, "tor/firefox.exe", {{{"ProductName", "Tor Browser"}}, Words(1, 2), 0});
    EXPECT_EQ(VersionOf(tool), "1.2.0.0");
    std::filesystem::create_directories(dir.path() / "tor" / "TorBrowser" / "Docs" / "changelog.txt");
    EXPECT_EQ(VersionOf(tool), "1.2.0.0") << "a folder in the changelog's place is no changelog";
    std::filesystem::remove(dir.path() / "tor" / "TorBrowser" / "Docs" / "changelog.txt");
    dir.write("tor/TorBrowser/Docs/changelog.txt", "Tor Browser 13.0.5 - November 2023\nmore\n");
    EXPECT_EQ(VersionOf(tool), "13.0.5.0");
    dir.write("tor/TorBrowser/Docs/changelog.txt", std::string(3u << 20, 'x'));
    EXPECT_EQ(VersionOf(tool), "1.2.0.0") << "a huge changelog is not read";
    dir.write("tor/TorBrowser/Docs/changelog.txt", std::string("\0\0Tor Browser 14.0\0", 19));
    EXPECT_EQ(VersionOf(tool), "14.0.0.0");
}
