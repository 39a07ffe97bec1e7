// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The platform-independent rules of the profile-string service. The file semantics of the
// Linux backend are tested in linux/test_profile_linux.cpp.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <climits>

using namespace vanto::platform;

namespace {

TEST(Profile, IntegersAreDecimalOrHexadecimal) {
    struct Case {
        const char* text;
        bool ok;
        std::int32_t value;
    };
    const Case cases[] = {
        {"42", true, 42},
        {"-42", true, -42},
        {"+7", true, 7},
        {"  5 ", true, 5},
        {"007", true, 7},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"$1F", true, 31},
        {"0x1f", true, 31},
        {"0X1F", true, 31},
        {"$FFFFFFFF", true, -1},
        {"0x80000000", true, INT32_MIN},
        {"-$10", true, -16},
        {"$100000000", false, 0},
        {"$", false, 0},
        {"0x", false, 0},
        {"x10", false, 0},
        {"", false, 0},
        {"twelve", false, 0},
        {"12abc", false, 0},
        {"1e3", false, 0},
        {"1 2", false, 0},
        {"--1", false, 0},
        {"$G", false, 0},
    };
    for (const auto& c : cases) {
        std::int32_t value = 12345;
        EXPECT_EQ(ParseProfileInteger(c.text, value), c.ok) << "\"" << c.text << "\"";
        if (c.ok) {
            EXPECT_EQ(value, c.value) << "\"" << c.text << "\"";
        }
    }
}

TEST(Profile, NameListsKeepTheWholeNamesThatFit) {
    const std::vector<std::string> names = {"Settings", "Settings_DWORD", "x"};
    // "Settings\0Settings_DWORD\0x\0\0" takes 9 + 15 + 2 + 1 = 27 bytes.
    EXPECT_EQ(profile_detail::FitNames(names, 27), names);
    EXPECT_EQ(profile_detail::FitNames(names, 26), (std::vector<std::string>{"Settings", "Settings_DWORD"}));
    EXPECT_EQ(profile_detail::FitNames(names, 25), (std::vector<std::string>{"Settings", "Settings_DWORD"}));
    EXPECT_EQ(profile_detail::FitNames(names, 24), std::vector<std::string>{"Settings"}) << "a cut name is left out";
    EXPECT_TRUE(profile_detail::FitNames(names, 9).empty());
    EXPECT_TRUE(profile_detail::FitNames(names, 0).empty());
    EXPECT_TRUE(profile_detail::FitNames({}, 1).empty());
}

TEST(Profile, OnlyWhatReadsBackIsWritable) {
    EXPECT_TRUE(profile_detail::WritableSection("Settings_DWORD"));
    EXPECT_TRUE(profile_detail::WritableEntry("Window width"));
    EXPECT_TRUE(profile_detail::WritableText("a = b ; [c]"));
    for (const char* section : {"", "a]b", "a\nb", "a\rb"}) EXPECT_FALSE(profile_detail::WritableSection(section)) << section;
    for (const char* entry : {"", "  ", "a=b", "[a", " ;a", "a\nb"}) EXPECT_FALSE(profile_detail::WritableEntry(entry)) << entry;
    EXPECT_FALSE(profile_detail::WritableText("two\nlines"));
    EXPECT_FALSE(profile_detail::WritableText("cr\ronly"));
}

}  // namespace
