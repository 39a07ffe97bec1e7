// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Replacing a file whole, removing what interrupted replacements left, and the folder
// clean-up that links cannot lead astray: the rules both backends share.
#include "platform/safe_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>

#include "testsupport/test_support.h"

namespace fs = std::filesystem;
using namespace vanto::platform;
using vanto::testing::readFile;
using vanto::testing::TempDir;

namespace {

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

void Age(const fs::path& p, std::chrono::seconds by) {
    fs::last_write_time(p, fs::file_time_type::clock::now() - by);
}

TEST(SafeFiles, ReplaceWritesANewFileAndReplacesAnOldOneWhole) {
    TempDir dir;
    const std::string path = (dir.path() / "out.txt").string();
    ASSERT_TRUE(ReplaceFileContents(path, "one"));
    EXPECT_EQ(readFile(path), "one");
    ASSERT_TRUE(ReplaceFileContents(path, std::string(100000, 'x')));
    EXPECT_EQ(readFile(path).size(), 100000u);
    ASSERT_TRUE(ReplaceFileContents(path, ""));
    EXPECT_EQ(readFile(path), "");
    EXPECT_EQ(Names(dir.path()), std::set<std::string>{"out.txt"}) << "no temporary file stays";
    EXPECT_FALSE(ReplaceFileContents((dir.path() / "missing" / "out.txt").string(), "x"));
}

TEST(SafeFiles, ReplaceNeverWritesThroughALink) {
    TempDir dir;
    const fs::path target = dir.write("target.txt", "keep");
    const fs::path link = dir.path() / "out.txt";
    std::error_code error;
    fs::create_symlink(target, link, error);
    if (error) GTEST_SKIP() << "this system does not let us make a symbolic link: " << error.message();
    ASSERT_TRUE(ReplaceFileContents(link.string(), "new"));
    EXPECT_EQ(readFile(target), "keep");
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(readFile(link), "new");
}

TEST(SafeFiles, OnlyOldPlainLeftoversOfOurOwnFilesAreRemoved) {
    TempDir dir;
    const auto old_hive = dir.write(".registry.reg.tmp-a1B2c3", "partial hive");
    const auto old_ini = dir.write(".settings.ini.tmp-XyZ123", "partial ini");
    const auto young = dir.write(".settings.ini.tmp-young1", "being written");
    const auto other = dir.write(".other.txt.tmp-a1B2c3", "not ours");
    const auto bare = dir.write(".settings.ini.tmp-", "no suffix");
    const auto real = dir.write("settings.ini", "[Settings]\n");
    fs::create_directory(dir.path() / ".registry.reg.tmp-folder");
    for (const auto& p : {old_hive, old_ini, other, bare, real})
        Age(p, std::chrono::minutes(10));
    Age(young, std::chrono::seconds(5));

    EXPECT_EQ(RemoveLeftoverTemporaryFiles(dir.str(), {"registry.reg", "settings.ini"}, 60), 2);
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{".settings.ini.tmp-young1", ".other.txt.tmp-a1B2c3",
                                                        ".settings.ini.tmp-", "settings.ini",
                                                        ".registry.reg.tmp-folder"}));
    EXPECT_EQ(RemoveLeftoverTemporaryFiles((dir.path() / "missing").string(), {"settings.ini"}, 60), 0);
}

TEST(SafeFiles, CleanUpTakesWhatMatchesAndLeavesWhatItIsToldToKeep) {
    TempDir dir;
    const fs::path root = dir.path() / "data";
    dir.write("data/a.log", "1");
    dir.write("data/sub/deep/b.bin", "2");
    dir.write("data/keep/c.txt", "3");
    fs::permissions(dir.write("data/sub/ro.txt", "r"), fs::perms::owner_read, fs::perm_options::replace);
    DeleteFolderTree(root.string(), "*.*", [&](const std::string& folder) {
        return fs::path(folder).filename() == "keep";
    });
    EXPECT_EQ(Names(root), std::set<std::string>{"keep"});
    EXPECT_EQ(readFile(root / "keep" / "c.txt"), "3");

    DeleteFolderTree(root.string(), "*.*", nullptr);
    EXPECT_FALSE(fs::exists(root)) << "emptied, then removed itself";
}

TEST(SafeFiles, CleanUpLeavesADataFolderThatIsALink) {
    TempDir dir;
    dir.write("elsewhere/precious.txt", "keep");
    const fs::path link = dir.path() / "data";
    std::error_code error;
    fs::create_directory_symlink(dir.path() / "elsewhere", link, error);
    if (error) GTEST_SKIP() << "this system does not let us make a symbolic link: " << error.message();
    DeleteFolderTree(link.string(), "*.*", nullptr);
    EXPECT_TRUE(fs::is_symlink(link)) << "the link is left alone";
    EXPECT_EQ(readFile(dir.path() / "elsewhere" / "precious.txt"), "keep");
}

TEST(SafeFiles, CleanUpRemovesLinksInsideWithoutFollowingThem) {
    TempDir dir;
    dir.write("elsewhere/precious.txt", "keep");
    dir.write("data/x.txt", "x");
    std::error_code error;
    fs::create_directory_symlink(dir.path() / "elsewhere", dir.path() / "data" / "to-folder", error);
    if (error) GTEST_SKIP() << "this system does not let us make a symbolic link: " << error.message();
    fs::create_symlink(dir.path() / "elsewhere" / "precious.txt", dir.path() / "data" / "to-file");
    DeleteFolderTree((dir.path() / "data").string(), "*.*", nullptr);
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir.path() / "data")));
    EXPECT_EQ(readFile(dir.path() / "elsewhere" / "precious.txt"), "keep");
}

}  // namespace
