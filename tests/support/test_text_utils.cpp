// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale

#include "support/text_utils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vanto {
namespace {

struct EncodeCase {
    std::string in;
    std::string out;
};

TEST(UrlEncode, EncodesEveryByteButUnreservedOnes) {
    const EncodeCase cases[] = {
        {"", ""},
        {"a b", "a%20b"},
        {"C++", "C%2B%2B"},
        {"~user", "%7Euser"},
        {"caf\xE9", "caf%E9"},  // the byte itself, no UTF-8 conversion
        {"v1.8.4-beta_2", "v1.8.4-beta_2"},
        {"AZaz09-._", "AZaz09-._"},
        {"a/b?c=d&e", "a%2Fb%3Fc%3Dd%26e"},
        {"%", "%25"},
        {std::string("\x00\x7F\xFF", 3), "%00%7F%FF"},
        {"\t\n", "%09%0A"},
    };
    for (const auto& c : cases) EXPECT_EQ(UrlEncode(c.in), c.out) << c.in;
}

struct MatchCase {
    std::string text;
    std::string part;
    bool expected;
};

TEST(TextContains, FoldsAsciiOnlyAndRejectsEmptySubText) {
    const MatchCase cases[] = {
        // part = sub-text, text = text
        {"http://example.com", "HTTP", true},
        {"anything", "", false},
        {"", "", false},
        {"", "a", false},
        {"abc", "abcd", false},
        {"xxMiCrOsOfTxx", "microsoft", true},
        {"\xC9t\xE9", "\xE9T\xE9", false},  // accented capital vs small letter: no folding
        {"\xC9t\xE9", "\xC9T\xE9", true},
        {"aaab", "aab", true},  // needs a restart after a partial match
        {"[x]", "[X]", true},
        {"@", "`", false},  // neighbours of the letter ranges do not fold
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextContains(c.part, c.text), c.expected) << c.part << " in " << c.text;
    }
}

TEST(TextStartsEnds, CaseRulesAndEmptyAffixes) {
    EXPECT_TRUE(TextStartsWith("Mozilla Firefox", ""));
    EXPECT_TRUE(TextStartsWith("", ""));
    EXPECT_TRUE(TextStartsWith("Mozilla Firefox", "MOZILLA "));
    EXPECT_FALSE(TextStartsWith("Moz", "Mozilla"));
    EXPECT_FALSE(TextStartsWith("\xE9t\xE9", "\xC9T"));

    EXPECT_TRUE(TextEndsWith("setup.EXE", ".exe"));
    EXPECT_TRUE(TextEndsWith("abc", ""));
    EXPECT_FALSE(TextEndsWith("exe", "a.exe"));
    EXPECT_FALSE(TextEndsWith("abc", "b"));

    EXPECT_TRUE(StrStartsWith("Mozilla", "Moz"));
    EXPECT_FALSE(StrStartsWith("Mozilla", "moz"));
    EXPECT_TRUE(StrStartsWith("Mozilla", ""));
    EXPECT_FALSE(StrStartsWith("Mo", "Moz"));

    EXPECT_TRUE(SameText("ReactOS", "REACTOS"));
    EXPECT_FALSE(SameText("ReactOS", "ReactOS "));
    EXPECT_EQ(AsciiLowerCase("AbC\xC9-Z"), "abc\xC9-z");
}

struct CountCase {
    std::string text;
    int count;
    std::string left;
    std::string right;
};

TEST(LeftRightText, ClampCounts) {
    const CountCase cases[] = {
        {"abc", -1, "", ""},
        {"abc", 0, "", ""},
        {"abc", 2, "ab", "bc"},
        {"abc", 3, "abc", "abc"},
        {"abc", 5, "abc", "abc"},
        {"", 4, "", ""},
        {"abc", -2147483647 - 1, "", ""},
        {"abc", 2147483647, "abc", "abc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LeftText(c.text, c.count), c.left) << c.text << " " << c.count;
        EXPECT_EQ(RightText(c.text, c.count), c.right) << c.text << " " << c.count;
    }
}

TEST(RemovePrefixSuffixText, RemoveOnlyWhenPresent) {
    EXPECT_EQ(RemovePrefixText("Microsoft Edge", "microsoft "), "Edge");
    EXPECT_EQ(RemovePrefixText("Micro", "Microsoft"), "Micro");
    EXPECT_EQ(RemovePrefixText("Edge", "x"), "Edge");
    EXPECT_EQ(RemovePrefixText("abc", "abc"), "");
    EXPECT_EQ(RemovePrefixText("abc", ""), "abc");

    EXPECT_EQ(RemoveSuffixText("Firefox (x64)", " (X64)"), "Firefox");
    EXPECT_EQ(RemoveSuffixText("x64", "(x64)"), "x64");
    EXPECT_EQ(RemoveSuffixText("abcb", "b"), "abc");  // only once, only at the end
    EXPECT_EQ(RemoveSuffixText("abc", ""), "abc");
}

TEST(TextBeforeAfter, FirstOccurrenceCaseSensitive) {
    EXPECT_EQ(TextBefore("key=value", "="), "key");
    EXPECT_EQ(TextAfter("key=value", "="), "value");
    EXPECT_EQ(TextBefore("key=value", ":"), "key=value");
    EXPECT_EQ(TextAfter("key=value", ":"), "key=value");
    EXPECT_EQ(TextBefore("a=b=c", "="), "a");
    EXPECT_EQ(TextAfter("a=b=c", "="), "b=c");
    EXPECT_EQ(TextAfter("a==", "=="), "");
    EXPECT_EQ(TextBefore("Key", "k"), "Key");  // no case folding here
    EXPECT_EQ(TextAfter("Key", "k"), "Key");
    EXPECT_EQ(TextBefore("abc", ""), "abc");
    EXPECT_EQ(TextAfter("abc", ""), "abc");
}

struct WordCase {
    std::string text;
    std::string delimiters;
    int count;
    std::vector<std::string> words;  // ExtractWord for 0..count-1
};

TEST(Words, EveryDelimiterEndsAWord) {
    const WordCase cases[] = {
        {"", " ", 0, {}},
        {"a", " ", 1, {"a"}},
        {"a  b", " ", 3, {"a", "", "b"}},
        {" a", " ", 2, {"", "a"}},
        {"a ", " ", 2, {"a", ""}},
        {"1.2-3", ".-", 3, {"1", "2", "3"}},
        {"a b", "", 1, {"a b"}},
        {"  ", " ", 3, {"", "", ""}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(WordCount(c.text, c.delimiters), c.count) << "[" << c.text << "]";
        for (int i = 0; i < c.count; ++i) {
            EXPECT_EQ(ExtractWord(c.text, i, c.delimiters), c.words[static_cast<std::size_t>(i)])
                << "[" << c.text << "] word " << i;
        }
        EXPECT_EQ(ExtractWord(c.text, c.count, c.delimiters), "");
        EXPECT_EQ(ExtractWord(c.text, -1, c.delimiters), "");
    }
}

TEST(TrimText, RemovesBlanksAndControlsOnly) {
    EXPECT_EQ(TrimText(" \t\r\n a b \x01"), "a b");
    EXPECT_EQ(TrimText("   "), "");
    EXPECT_EQ(TrimText("\xA0x\xA0"), "\xA0x\xA0");  // high bytes are not blanks
}

TEST(StripTrailingUrls, RemovesAddressWordsAtTheEnd) {
    const EncodeCase cases[] = {
        {"Foo Bar http://a.example https://b.example", "Foo Bar"},
        {"Foo Bar https://b.example http://a.example", "Foo Bar"},
        {"Foo HTTP://A.EXAMPLE", "Foo"},
        {"https://only.example", "https://only.example"},
        {"http://a.example https://b.example", "http://a.example"},
        {"Foo ftp://a.example", "Foo ftp://a.example"},
        {"Foo www.example.com", "Foo www.example.com"},
        {"Foo http://a.example ", "Foo http://a.example "},  // the last word is empty
        {"Foo http://a http://b http://c https://d https://e", "Foo"},
        {"Foo \t http://a", "Foo"},
        {"Foo http://a Bar", "Foo http://a Bar"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(StripTrailingUrls(c.in), c.out) << c.in;
}

TEST(StripTrailingUrls, LongRunOfAddresses) {
    std::string text = "Product";
    for (int i = 0; i < 20000; ++i) text += (i % 2 == 0) ? " http://a" : " https://b";
    EXPECT_EQ(StripTrailingUrls(text), "Product");
}

TEST(FileNameNoExt, StemOfTheLastPathPart) {
    const EncodeCase cases[] = {
        {"/tmp/dl/setup.tar.gz", "setup.tar"},
        {"/usr/share/doc/README", "README"},
        {"/home/u/.profile", ""},
        {"C:\\Program Files\\App\\app.exe", "app"},
        {"C:app.exe", "app"},
        {"/a.b/c", "c"},  // the dot of a folder is not an extension
        {"name.", "name"},
        {"", ""},
        {"/dir/", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FileNameNoExt(c.in), c.out) << c.in;
}

TEST(FolderWithSeparator, BothSeparatorsOnEveryPlatform) {
    const EncodeCase cases[] = {
        {"/usr/bin/app", "/usr/bin/"},
        {"C:\\Program Files\\App\\app.exe", "C:\\Program Files\\App\\"},
        {"C:/mixed\\style/app.exe", "C:/mixed\\style/"},
        {"/dir/", "/dir/"},
        {"/app", "/"},
        {"app.exe", ""},  // a bare name has no folder
        {"C:app.exe", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FolderWithSeparator(c.in), c.out) << c.in;
}

TEST(BoolToYesNo, Texts) {
    EXPECT_EQ(BoolToYesNo(true), "Yes");
    EXPECT_EQ(BoolToYesNo(false), "No");
}

}  // namespace
}  // namespace vanto
