// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale

#include "support/versionhelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vanto {
namespace {

struct NtCase {
    std::optional<NtVersion> version;
    int build;
    std::string text;
};

TEST(NtVersionText, NameByVersionPairAndBuild) {
    const NtCase cases[] = {
        {NtVersion{10, 0}, 19045, "10.0.19045 (Windows10)"},
        {NtVersion{10, 0}, 19999, "10.0.19999 (Windows10)"},
        {NtVersion{10, 0}, 20000, "11.0.20000 (Windows11)"},
        {NtVersion{10, 0}, 22631, "11.0.22631 (Windows11)"},
        {NtVersion{10, 0}, 0, "10.0.0 (Windows10)"},  // build number unreadable
        {NtVersion{6, 3}, 9600, "6.3 (Windows8.1)"},
        {NtVersion{6, 2}, 9200, "6.2 (Windows8)"},
        {NtVersion{6, 1}, 7601, "6.1 (Seven)"},
        {NtVersion{6, 0}, 6002, "6.0 (Vista)"},
        {NtVersion{5, 2}, 3790, "5.2 (Windows 2003)"},
        {NtVersion{5, 1}, 2600, "5.1 (Windows XP)"},
        {NtVersion{5, 0}, 2195, "5.0 (Windows 2000)"},
        {NtVersion{10, 1}, 30000, "10.1"},
        {NtVersion{6, 4}, 9841, "6.4"},
        {std::nullopt, 19045, "Unknown"},  // workstation information unreadable
    };
    for (const auto& c : cases) EXPECT_EQ(MakeNtVersionText(c.version, c.build), c.text) << c.text;
}

TEST(Win9xVersionText, FamilyMembers) {
    EXPECT_EQ(MakeWin9xVersionText(4, 0, ""), "4.0 (95)");
    EXPECT_EQ(MakeWin9xVersionText(4, 10, " A "), "4.10 (98SE)");
    EXPECT_EQ(MakeWin9xVersionText(4, 10, "A"), "4.10 (98)");  // no second byte
    EXPECT_EQ(MakeWin9xVersionText(4, 10, " a "), "4.10 (98)");
    EXPECT_EQ(MakeWin9xVersionText(4, 90, ""), "4.90 (ME)");
    EXPECT_EQ(MakeWin9xVersionText(3, 95, ""), "3.95 (Unknown)");
}

TEST(BuildNumberFromText, NumbersOrZero) {
    EXPECT_EQ(BuildNumberFromText("22631"), 22631);
    EXPECT_EQ(BuildNumberFromText(" 19045"), 19045);
    EXPECT_EQ(BuildNumberFromText(""), 0);
    EXPECT_EQ(BuildNumberFromText("19045 "), 0);
    EXPECT_EQ(BuildNumberFromText("7601.rtm"), 0);
    EXPECT_EQ(BuildNumberFromText("99999999999"), 0);
}

TEST(ReactOSVersionText, FromCurrentVersionValues) {
    std::vector<std::string> asked;
    const auto file_version = [&asked](const std::string& path) {
        asked.push_back(path);
        return std::string("0.4.14.0");
    };
    const std::optional<std::string> none;

    EXPECT_EQ(MakeReactOSVersionText("ReactOS", "0.4.14-release-1-gb6088a6", "C:\\ReactOS", file_version),
              "0.4.14-release-1-gb6088a6");
    EXPECT_EQ(MakeReactOSVersionText("reactos", "0.4.14-release", none, file_version), "0.4.14-release");
    // No BuildLab: not told apart, the Windows line is written instead.
    EXPECT_EQ(MakeReactOSVersionText("ReactOS", none, "C:\\ReactOS", file_version), "");
    EXPECT_EQ(MakeReactOSVersionText("Windows 10 Pro", "19041.vb_release", "C:\\Windows", file_version), "");
    EXPECT_EQ(MakeReactOSVersionText(none, "x", "C:\\ReactOS", file_version), "");
    EXPECT_TRUE(asked.empty());

    EXPECT_EQ(MakeReactOSVersionText("ReactOS", "UNKNOWN-build", "C:\\ReactOS", file_version),
              "0.4.14.0 (UNKNOWN-build)");
    ASSERT_EQ(asked.size(), 1U);
    EXPECT_EQ(asked[0], "C:\\ReactOS\\explorer.exe");
    // Without SystemRoot the BuildLab text stands.
    EXPECT_EQ(MakeReactOSVersionText("ReactOS", "unknown", none, file_version), "unknown");
}

struct OsReleaseCase {
    std::string content;
    std::string pretty;
};

TEST(OsReleasePrettyName, ParsesDefensively) {
    const OsReleaseCase cases[] = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
         "Debian GNU/Linux 12 (bookworm)"},
        {"PRETTY_NAME='Fedora Linux 40 (Workstation Edition)'\n", "Fedora Linux 40 (Workstation Edition)"},
        {"PRETTY_NAME=Alpine\n", "Alpine"},
        {"PRETTY_NAME=\"Say \\\"hi\\\" \\$HOME \\\\ \\n\"\n", "Say \"hi\" $HOME \\ \\n"},
        {"PRETTY_NAME=\"Windows line\"\r\n", "Windows line"},
        {"PRETTY_NAME=\"unterminated\n", "unterminated"},
        {"# PRETTY_NAME=\"comment\"\nNAME=x\n", "Linux"},
        {"XPRETTY_NAME=\"not it\"\n", "Linux"},
        {"PRETTY_NAME=\"first\"\nPRETTY_NAME=\"second\"", "second"},
        {"PRETTY_NAME=\"\"\n", "Linux"},
        {"PRETTY_NAME=\"bell\x07 and \x1b[31mred\"\n", "bell and [31mred"},
        {"", "Linux"},
        {std::string("PRETTY_NAME=\"a\0b\"\n", 18), "ab"},
    };
    for (const auto& c : cases) EXPECT_EQ(OsReleasePrettyName(c.content), c.pretty) << c.content;
}

TEST(LinuxVersionText, PrettyNameAndKernel) {
    EXPECT_EQ(MakeLinuxVersionText("Debian GNU/Linux 12 (bookworm)", "6.1.0-25-amd64"),
              "Debian GNU/Linux 12 (bookworm), kernel 6.1.0-25-amd64");
    EXPECT_EQ(MakeLinuxVersionText("Linux", ""), "Linux");
}

}  // namespace
}  // namespace vanto
