// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale

#include "support/U_Version.h"

#include <gtest/gtest.h>

#include <string>

namespace vanto {
namespace {

struct ParseCase {
    std::string text;
    std::int32_t major, minor, release, build;
    bool valid;
};

TEST(TOrvoVersion, ParsesTheVersionTable) {
    const ParseCase cases[] = {
        {"1.8.4.23", 1, 8, 4, 23, true},
        {"", 0, 0, 0, 0, false},
        {"0.0.0.1", 0, 0, 0, 1, true},
        {"2", 2, 0, 0, 0, true},
        {"1.2", 1, 2, 0, 0, true},
        {"1.2.3", 1, 2, 3, 0, true},
        {"1.2.3.4.5", 1, 2, 3, 0, true},
        {"1.2.3.4\n", 1, 2, 3, 0, true},
        {"1.2.3.4\r\n", 1, 2, 3, 0, true},
        {"1.2.3.4 ", 1, 2, 3, 0, true},
        {" 1.2.3.4", 1, 2, 3, 4, true},
        {"1. 2.3.4", 1, 2, 3, 4, true},
        {"1.70000.3.4", 1, 0, 3, 4, true},
        {"1.65535.3.4", 1, 65535, 3, 4, true},
        {"1.65536.3.4", 1, 0, 3, 4, true},
        {"r1.2.3.4", 0, 2, 3, 4, true},
        {"1,2,3,4", 0, 0, 0, 0, false},
        {"$10.0x1F.x2.0", 16, 31, 2, 0, true},
        {"1.-1.0.0", 1, -1, 0, 0, false},
        {"1.", 1, 0, 0, 0, true},
        {"...", 0, 0, 0, 0, false},
        {"\t1.2.3.4", 0, 2, 3, 4, true},  // only spaces are skipped
        {"1.2.3.4.", 1, 2, 3, 0, true},
    };
    for (const auto& c : cases) {
        const TOrvoVersion v = TOrvoVersion::Create(c.text);
        EXPECT_EQ(v.Major, c.major) << "[" << c.text << "]";
        EXPECT_EQ(v.Minor, c.minor) << "[" << c.text << "]";
        EXPECT_EQ(v.Release, c.release) << "[" << c.text << "]";
        EXPECT_EQ(v.Build, c.build) << "[" << c.text << "]";
        EXPECT_EQ(v.IsValid(), c.valid) << "[" << c.text << "]";
    }
}

TEST(TOrvoVersion, WordsAndTexts) {
    const TOrvoVersion v("1.8.4.23");
    EXPECT_EQ(v.ToText(), "1.8.4.23");
    EXPECT_EQ(v.MS(), 65544U);
    EXPECT_EQ(v.LS(), 262167U);
    EXPECT_EQ(v.MSText(), "65544");
    EXPECT_EQ(v.LSText(), "262167");

    const TOrvoVersion negative("1.-1.0.0");
    EXPECT_EQ(negative.MS(), 65535U);  // wraps
    EXPECT_EQ(negative.ToText(), "1.-1.0.0");

    const TOrvoVersion big("40000.0.65535.65535");
    EXPECT_EQ(big.MSText(), "2621440000");  // unsigned, never negative
    EXPECT_EQ(big.LSText(), "4294967295");

    const TOrvoVersion very_negative("-65536.0.0.0");
    EXPECT_EQ(very_negative.MS(), 0U);  // -65536 * 65536 wraps to 0 in 32 bits
    EXPECT_FALSE(very_negative.IsValid());
}

TEST(TOrvoVersion, ParseReplacesAllFourParts) {
    TOrvoVersion v("9.9.9.9");
    v.Parse("1.2");
    EXPECT_EQ(v.ToText(), "1.2.0.0");
}

TEST(TOrvoVersion, CreateFromMSLSSplitsTheWords) {
    const TOrvoVersion v = TOrvoVersion::CreateFromMSLS(0xFFFFFFFFU, 0);
    EXPECT_EQ(v.ToText(), "65535.65535.0.0");
    const TOrvoVersion w = TOrvoVersion::CreateFromMSLS(65544U, 262167U);
    EXPECT_EQ(w.ToText(), "1.8.4.23");
    EXPECT_EQ(w.MS(), 65544U);
    EXPECT_EQ(w.LS(), 262167U);
    const TOrvoVersion x = TOrvoVersion::CreateFromMSLS(0x80000001U, 0x0001FFFFU);
    EXPECT_EQ(x.ToText(), "32768.1.1.65535");
}

TEST(TOrvoVersion, IsNewerThanComparesPartsInOrder) {
    const TOrvoVersion v("1.8.4.23");
    EXPECT_TRUE(TOrvoVersion("1.8.4.24").IsNewerThan(v));
    EXPECT_FALSE(v.IsNewerThan(TOrvoVersion("1.8.4.24")));
    EXPECT_TRUE(TOrvoVersion("2.0.0.0").IsNewerThan(TOrvoVersion("1.99.99.99")));
    EXPECT_FALSE(TOrvoVersion("1.99.99.99").IsNewerThan(TOrvoVersion("2.0.0.0")));
    EXPECT_FALSE(v.IsNewerThan(v));
    EXPECT_TRUE(TOrvoVersion("1.9.0.0").IsNewerThan(TOrvoVersion("1.8.65535.65535")));
    EXPECT_TRUE(TOrvoVersion("1.8.5.0").IsNewerThan(v));
    EXPECT_TRUE(TOrvoVersion("0.0.0.0").IsNewerThan(TOrvoVersion("0.-1.0.0")));  // signed
}

TEST(TOrvoVersion, IsNewerThanMSLSComparesUnsignedWords) {
    const TOrvoVersion v("1.8.4.23");
    EXPECT_TRUE(v.IsNewerThanMSLS(65544U, 262166U));
    EXPECT_FALSE(v.IsNewerThanMSLS(65544U, 262167U));
    EXPECT_FALSE(v.IsNewerThanMSLS(65545U, 0U));
    EXPECT_TRUE(v.IsNewerThanMSLS(65543U, 0xFFFFFFFFU));
    // MS of 40000.0 exceeds the signed range and must still compare as larger.
    EXPECT_TRUE(TOrvoVersion("40000.0.0.0").IsNewerThanMSLS(65536U, 0U));
    EXPECT_FALSE(TOrvoVersion("1.0.0.0").IsNewerThanMSLS(2621440000U, 0U));
}

struct IntegerCase {
    std::string field;
    std::optional<std::int32_t> value;
};

TEST(ParseVersionInteger, IntegerRule) {
    const IntegerCase cases[] = {
        {"0", 0},
        {"42", 42},
        {"  42", 42},
        {"+42", 42},
        {"-42", -42},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"$1F", 31},
        {"x1f", 31},
        {"X1F", 31},
        {"0x1F", 31},
        {"0X1f", 31},
        {"-$10", -16},
        {"+0x10", 16},
        {"$FFFFFFFF", -1},
        {"$7FFFFFFF", 2147483647},
        {"$80000000", -2147483647 - 1},
        {"-$FFFFFFFF", 1},
        {"$000000001", 1},  // leading zeros are not significant
        {"$100000000", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"x", std::nullopt},
        {"- 1", std::nullopt},
        {"--1", std::nullopt},
        {"1 ", std::nullopt},
        {"1\r", std::nullopt},
        {"1\n", std::nullopt},
        {"\t1", std::nullopt},
        {"1a", std::nullopt},
        {"$1G", std::nullopt},
        {"0x-1", std::nullopt},
        {"$ 1", std::nullopt},
        {"1.5", std::nullopt},
        {"h10", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseVersionInteger(c.field), c.value) << "[" << c.field << "]";
}

}  // namespace
}  // namespace vanto
