// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// What the system information says on a Linux machine.

#include "support/versionhelpers.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace vanto {
namespace {

std::string ReadOsReleaseFile() {
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream in(path, std::ios::binary);
        if (in) return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return {};
}

TEST(LinuxSystemInformation, FactsLineNamesTheDistributionAndTheKernel) {
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    const std::string expected =
        OsReleasePrettyName(ReadOsReleaseFile()) + ", kernel " + std::string(names.release);
    EXPECT_EQ(GetLinuxVersionText(), expected);
}

TEST(LinuxSystemInformation, WindowsQuestionsGetTheirNeutralAnswers) {
    EXPECT_EQ(GetWindowsVersionText(), "Unknown");
    EXPECT_EQ(GetNtVersionText(22631), "Unknown");
    EXPECT_EQ(GetBuildNumber(), "");
    EXPECT_EQ(GetReactOSVersionText(), "");
    EXPECT_FALSE(IsWow64());
    EXPECT_FALSE(IsPreVista());
    EXPECT_EQ(IsUserAdmin(), geteuid() == 0);
}

}  // namespace
}  // namespace vanto
