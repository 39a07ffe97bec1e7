// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/system_facts.h"

#include <gtest/gtest.h>

namespace vanto::platform {
namespace {

int g_wow64_asked = 0;
bool g_wow64_answer = false;

bool FakeWow64() {
    ++g_wow64_asked;
    return g_wow64_answer;
}

// The answer of both builds on every host: a 64-bit build runs only on a 64-bit system and
// never asks; a 32-bit build is on one exactly when it is hosted by WoW64.
TEST(Is64BitSystem, BothBuildsOnEveryHost) {
    const struct {
        int process_bits;
        bool wow64;
        bool expected;
        int asked;
    } cases[] = {
        {64, false, true, 0},  // IsWow64 of a 64-bit process answers false on 64-bit Windows
        {64, true, true, 0},
        {32, true, true, 1},   // 32-bit build on 64-bit Windows
        {32, false, false, 1}, // 32-bit build on 32-bit Windows
    };
    for (const auto& c : cases) {
        g_wow64_asked = 0;
        g_wow64_answer = c.wow64;
        EXPECT_EQ(Is64BitSystemFor(c.process_bits, &FakeWow64), c.expected) << c.process_bits << "-bit build";
        EXPECT_EQ(g_wow64_asked, c.asked) << c.process_bits << "-bit build";
    }
    EXPECT_FALSE(Is64BitSystemFor(32, nullptr)) << "no test available: not known to be 64-bit";
}

TEST(Is64BitSystem, ThisBuild) {
    if (sizeof(void*) == 8) {
        EXPECT_TRUE(Is64BitSystem()) << "a 64-bit build runs on a 64-bit system only";
        EXPECT_FALSE(IsWow64()) << "and is not hosted by WoW64";
    } else {
        EXPECT_EQ(Is64BitSystem(), IsWow64());
    }
}

}  // namespace
}  // namespace vanto::platform
