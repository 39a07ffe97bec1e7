// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The system facts on both backends: each Windows source answers on Windows (under Wine, the
// version Wine stands in for) and gives its neutral answer on Linux, and the Linux sources
// the other way round.
#include "platform/system_facts.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

using namespace vanto::platform;

namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

}  // namespace

TEST(SystemFacts, EachSourceAnswersOnItsOwnPlatform) {
    ClassicVersion classic;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::string product;
    std::string os_release;
    std::string kernel;
    const struct {
        const char* source;
        bool windows_source;
        bool answered;
    } table[] = {
        {"GetVersionEx", true, QueryClassicVersion(classic)},
        {"NetWkstaGetInfo", true, QueryWorkstationVersion(major, minor)},
        {"CurrentVersion ProductName", true, ReadCurrentVersionValue("ProductName", product)},
        {"os-release", false, ReadOsRelease(os_release)},
        {"uname", false, GetKernelRelease(kernel)},
    };
    for (const auto& row : table) EXPECT_EQ(row.answered, row.windows_source == kWindows) << row.source;
    if (kWindows) {
        EXPECT_EQ(classic.platform_id, 2u) << "the NT family";
        EXPECT_GE(classic.major, 5u);
        EXPECT_GE(major, 5u);
        EXPECT_FALSE(product.empty());
    } else {
        EXPECT_FALSE(kernel.empty());
        EXPECT_LE(os_release.size(), 64u * 1024u);
    }
    std::string value = "unchanged";
    EXPECT_FALSE(ReadCurrentVersionValue("No value of this name", value));
}

TEST(SystemFacts, HostAndAccountTests) {
    // Only a 32-bit program on 64-bit Windows is a WOW64 process; this one never is when it is
    // 64-bit itself, and Linux has no such thing.
    if (sizeof(void*) == 8 || !kWindows) {
        EXPECT_FALSE(IsWow64());
    }
    EXPECT_FALSE(IsPreVista());
#ifndef _WIN32
    EXPECT_EQ(IsUserAdmin(), ::geteuid() == 0);
#else
    // The administrator test agrees with the system's own answer for the token.
    BOOL member = FALSE;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                         &admins));
    ASSERT_TRUE(CheckTokenMembership(nullptr, admins, &member));
    FreeSid(admins);
    EXPECT_EQ(IsUserAdmin(), member != FALSE);
#endif
}
