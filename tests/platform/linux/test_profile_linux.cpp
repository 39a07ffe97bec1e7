// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The Linux backend of the profile strings: file semantics, atomic writes, concurrent writers.
#include "platform/profile.h"

#include "testsupport/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace vanto::platform;
using vanto::testing::readFile;
using vanto::testing::TempDir;

namespace {

const char* const kSample =
    "; settings of a portable copy\n"
    "stray=before any section\n"
    "[Settings]\n"
    "Plain=hello world\n"
    "  Spaced   =   padded text   \n"
    "Quoted=\"  inside quotes  \"\n"
    "Single='single'\n"
    "Mixed=\"not closed'\n"
    "Lone=\"\n"
    "Empty=\n"
    "Twice=first\n"
    "twice=second\n"
    "no equals sign here\n"
    "; Commented=out\n"
    "Path=C:\\Program Files\\x=y\n"
    "[ settings_dword ]\n"
    "Width=640\n"
    "Hex=$1F\n"
    "Bad=twelve\n"
    "[SETTINGS]\n"
    "Plain=from the repeated section\n"
    "Extra=only here\n";

TEST(ProfileFile, ReadingTextsFollowsTheProfileRules) {
    TempDir dir;
    const std::string file = dir.write("settings.ini", kSample).string();
    struct Case {
        const char* section;
        const char* entry;
        const char* expected;
    };
    const Case cases[] = {
        {"Settings", "Plain", "hello world"},
        {"settings", "PLAIN", "hello world"},
        {"Settings", "Spaced", "padded text"},
        {"Settings", "Quoted", "  inside quotes  "},
        {"Settings", "Single", "single"},
        {"Settings", "Mixed", "\"not closed'"},
        {"Settings", "Lone", "\""},
        {"Settings", "Empty", ""},
        {"Settings", "Twice", "first"},
        {"Settings", "Path", "C:\\Program Files\\x=y"},
        {"Settings_DWORD", "Width", "640"},
        {"Settings", "Extra", "<default>"},       // entries of a repeated section are not seen
        {"Settings", "no equals sign here", "<default>"},
        {"Settings", "; Commented", "<default>"},
        {"Settings", "stray", "<default>"},        // lines before the first section belong to none
        {"Missing", "Plain", "<default>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadProfileText(file, c.section, c.entry, "<default>"), c.expected) << c.section << "/" << c.entry;
    }
    EXPECT_EQ(ReadProfileText(file, "Settings", "Missing", "default  \t "), "default") << "trailing blanks go";
    EXPECT_EQ(ReadProfileText((dir.path() / "none.ini").string(), "Settings", "Plain", "d"), "d");
}

TEST(ProfileFile, TextsAreCutToTheBuffer) {
    TempDir dir;
    const std::string fits(kProfileTextBufferSize - 1, 'a');
    const std::string longer(3000, 'b');
    const std::string file = dir.write("s.ini", "[S]\nfits=" + fits + "\nlonger=" + longer + "\n").string();
    EXPECT_EQ(ReadProfileText(file, "S", "fits", ""), fits);
    EXPECT_EQ(ReadProfileText(file, "S", "longer", ""), std::string(2047, 'b'));
    EXPECT_EQ(ReadProfileText(file, "S", "longer", "", 5), "bbbb");
    EXPECT_EQ(ReadProfileText(file, "S", "missing", "defaulted", 4), "def");
    EXPECT_EQ(ReadProfileText(file, "S", "fits", "x", 0), "");
}

TEST(ProfileFile, NameListsKeepTheWholeNamesThatFit) {
    TempDir dir;
    const std::string file = dir.write("names.ini", kSample).string();
    EXPECT_EQ(ReadProfileSectionNames(file), (std::vector<std::string>{"Settings", "settings_dword"}));
    EXPECT_EQ(ReadProfileEntryNames(file, "SETTINGS"),
              (std::vector<std::string>{"Plain", "Spaced", "Quoted", "Single", "Mixed", "Lone", "Empty", "Twice", "Path"}));
    EXPECT_TRUE(ReadProfileEntryNames(file, "Missing").empty());
    EXPECT_TRUE(ReadProfileSectionNames((dir.path() / "none.ini").string()).empty());

    // "Settings\0settings_dword\0\0" takes 9 + 15 + 1 = 25 bytes.
    EXPECT_EQ(ReadProfileSectionNames(file, 25).size(), 2u);
    EXPECT_EQ(ReadProfileSectionNames(file, 24), std::vector<std::string>{"Settings"}) << "a cut name is left out";
    EXPECT_TRUE(ReadProfileSectionNames(file, 9).empty());

    // The real buffer: 16384 bytes hold 1638 names of 9 characters (10 bytes each) and the final NUL.
    std::string many = "[Big]\n";
    for (int i = 0; i < 1700; ++i) many += "k" + std::to_string(10000000 + i) + "=1\n";
    const std::string big = dir.write("big.ini", many).string();
    const auto names = ReadProfileEntryNames(big, "Big");
    ASSERT_EQ(names.size(), 1638u);
    EXPECT_EQ(names.back(), "k10001637");
}

TEST(ProfileFile, IntegersReadFromTheFile) {
    TempDir dir;
    const std::string file = dir.write("s.ini", kSample).string();
    EXPECT_EQ(ReadProfileInteger(file, "Settings_DWORD", "Width", 0), 640);
    EXPECT_EQ(ReadProfileInteger(file, "Settings_DWORD", "Hex", 0), 31);
    EXPECT_EQ(ReadProfileInteger(file, "Settings_DWORD", "Bad", 0), 0) << "not a number reads as the default";
    EXPECT_EQ(ReadProfileInteger(file, "Settings_DWORD", "Missing", -7), -7);
}

TEST(ProfileFile, TheFirstWriteCreatesTheFile) {
    TempDir dir;
    const std::string file = (dir.path() / "settings.ini").string();
    ASSERT_TRUE(WriteProfileText(file, "Settings", "Language", "English"));
    ASSERT_TRUE(WriteProfileText(file, "Settings_DWORD", "Width", "-1"));
    ASSERT_TRUE(WriteProfileText(file, "Settings", "Theme", "dark"));
    EXPECT_EQ(readFile(file), "[Settings]\nLanguage=English\nTheme=dark\n\n[Settings_DWORD]\nWidth=-1\n");
    EXPECT_EQ(ReadProfileInteger(file, "Settings_DWORD", "Width", 0), -1);
    EXPECT_FALSE(WriteProfileText((dir.path() / "missing" / "s.ini").string(), "S", "k", "v"))
        << "the folder is not created";
}

TEST(ProfileFile, WritingKeepsEveryOtherLine) {
    TempDir dir;
    const std::string before =
        "; keep me\r\n"
        "[Settings]\r\n"
        "Language = English\r\n"
        "; a comment at the end of the section\r\n"
        "\r\n"
        "[Other]\r\n"
        "x=1\r\n";
    const std::string file = dir.write("s.ini", before).string();
    ::chmod(file.c_str(), 0640);

    ASSERT_TRUE(WriteProfileText(file, "SETTINGS", "language", "French"));
    ASSERT_TRUE(WriteProfileText(file, "Settings", "New", "value"));
    ASSERT_TRUE(WriteProfileText(file, "Third", "y", "2"));
    EXPECT_EQ(readFile(file),
              "; keep me\r\n"
              "[Settings]\r\n"
              "Language=French\r\n"
              "; a comment at the end of the section\r\n"
              "New=value\r\n"
              "\r\n"
              "[Other]\r\n"
              "x=1\r\n"
              "\r\n"
              "[Third]\r\n"
              "y=2\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the file keeps its permissions";
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename(), "s.ini") << "nothing else is left in the folder";
    }
}

TEST(ProfileFile, AFileOfMixedLineEndingsKeepsEachLinesEnding) {
    TempDir dir;
    // Found by fuzzing: a line ending in CR CR LF in a file of LF lines lost a CR when
    // another entry was written.
    const std::string file = dir.write("s.ini", "a=1\n[S]\r\nk=v\r\r\nx=y\n").string();
    ASSERT_TRUE(WriteProfileText(file, "S", "x", "z"));
    EXPECT_EQ(readFile(file), "a=1\n[S]\r\nk=v\r\r\nx=z\n");
    ASSERT_TRUE(WriteProfileText(file, "S", "new", "1"));
    EXPECT_EQ(readFile(file), "a=1\n[S]\r\nk=v\r\r\nx=z\nnew=1\n");
}

TEST(ProfileFile, WhatCannotBeReadBackIsNotWritten) {
    TempDir dir;
    const std::string before = "[S]\nk=v\n";
    const std::string file = dir.write("s.ini", before).string();
    struct Case {
        const char* section;
        const char* entry;
        const char* text;
    };
    const Case refused[] = {
        {"S", "k", "two\nlines"},
        {"S", "k", "carriage\rreturn"},
        {"S", "a=b", "v"},
        {"S", "", "v"},
        {"S", "  ", "v"},
        {"S", "[x", "v"},
        {"S", ";x", "v"},
        {"S", "new\nline", "v"},
        {"", "k", "v"},
        {"a]b", "k", "v"},
        {"a\nb", "k", "v"},
    };
    for (const auto& c : refused) {
        EXPECT_FALSE(WriteProfileText(file, c.section, c.entry, c.text)) << c.section << "/" << c.entry;
    }
    EXPECT_EQ(readFile(file), before);

    // A file too large to have been read whole is never replaced.
    const fs::path big = dir.write("big.ini", "[S]\n");
    fs::resize_file(big, 16u * 1024u * 1024u + 1);
    EXPECT_FALSE(WriteProfileText(big.string(), "S", "k", "v"));
    EXPECT_EQ(fs::file_size(big), 16u * 1024u * 1024u + 1);
    EXPECT_EQ(ReadProfileText(big.string(), "S", "k", "d"), "d");
}

TEST(ProfileFile, TwoProcessesWritingAtOnceKeepAllTheirEntries) {
    TempDir dir;
    const std::string file = (dir.path() / "settings.ini").string();
    constexpr int kWrites = 40;
    ASSERT_TRUE(vanto::testing::RunInProcessesAtOnce(2, [&](int p) {
        bool ok = true;
        for (int i = 0; i < kWrites && ok; ++i)
            ok = WriteProfileText(file, "P" + std::to_string(p), "k" + std::to_string(i), std::to_string(i));
        return ok;
    }));
    for (int p = 0; p < 2; ++p) {
        EXPECT_EQ(ReadProfileEntryNames(file, "P" + std::to_string(p)).size(), static_cast<std::size_t>(kWrites));
    }
}

}  // namespace
