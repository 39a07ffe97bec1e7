// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Folder searches and folder tests that must answer alike on every platform: which reparse
// points are links, the empty extension, a trailing separator.
#include "support/U_UnicodeUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "testsupport/test_support.h"

namespace vanto {
namespace {

using platform::kAttrDirectory;
using platform::kAttrReparsePoint;
using vanto::testing::TempDir;

// Only symbolic links and junctions are links; every other reparse point is entered.
TEST(FolderSearches, OnlySymbolicLinksAndJunctionsAreLinks) {
    constexpr std::uint32_t kCloudFile = 0x9000001Au;  // a cloud-storage placeholder
    constexpr std::uint32_t kDedup = 0x80000013u;
    const struct {
        const char* what;
        std::uint32_t attributes;
        std::uint32_t tag;
        bool volume;
        bool link;
        bool volume_asked;
    } cases[] = {
        {"plain folder", kAttrDirectory, 0, false, false, false},
        {"tag without the attribute", kAttrDirectory, platform::kReparseTagSymlink, false, false, false},
        {"symbolic link", kAttrDirectory | kAttrReparsePoint, platform::kReparseTagSymlink, false, true, false},
        {"junction", kAttrDirectory | kAttrReparsePoint, platform::kReparseTagMountPoint, false, true, true},
        {"mounted volume", kAttrDirectory | kAttrReparsePoint, platform::kReparseTagMountPoint, true, false, true},
        {"cloud placeholder", kAttrDirectory | kAttrReparsePoint, kCloudFile, false, false, false},
        {"deduplicated file", kAttrReparsePoint, kDedup, false, false, false},
    };
    for (const auto& c : cases) {
        bool asked = false;
        EXPECT_EQ(platform::IsLinkEntry(c.attributes, c.tag,
                                        [&] {
                                            asked = true;
                                            return c.volume;
                                        }),
                  c.link)
            << c.what;
        EXPECT_EQ(asked, c.volume_asked) << c.what;
    }
}

std::string Join(const std::string& folder, const std::string& name) { return folder + platform::kPathSeparator + name; }

TEST(FolderSearches, TheEmptyExtensionFindsNamesWithoutADot) {
    TempDir dir;
    const std::string root = dir.str();
    // (Windows drops a trailing dot from a file's name, so "name." cannot be had everywhere.)
    for (const char* name : {"README", "a.txt", ".profile", "sub/Makefile", "sub/b.cfg"}) dir.write(name, "1");
    std::vector<std::string> list;
    FindFilesByExt(root, "", list);
    std::sort(list.begin(), list.end());
    EXPECT_EQ(list, (std::vector<std::string>{Join(root, "README"), Join(Join(root, "sub"), "Makefile")}));

    std::vector<std::string> profile;
    FindFilesByExt(root, ".PROFILE", profile);
    EXPECT_EQ(profile, std::vector<std::string>{Join(root, ".profile")}) << "a leading dot starts an extension";
}

TEST(FolderSearches, TrailingSeparatorNamesTheSameFolder) {
    TempDir dir;
    const std::string folder = Join(dir.str(), "sub");
    ASSERT_TRUE(CreateDirectoryWide(platform::AnsiToWide(folder)));
    EXPECT_TRUE(DirectoryExistsWide(platform::AnsiToWide(folder)));
    EXPECT_TRUE(DirectoryExistsWide(platform::AnsiToWide(folder + platform::kPathSeparator)));
    EXPECT_FALSE(DirectoryExistsWide(platform::AnsiToWide(Join(dir.str(), "missing") + platform::kPathSeparator)));
    dir.write("file", "1");
    EXPECT_FALSE(DirectoryExistsWide(platform::AnsiToWide(Join(dir.str(), "file") + platform::kPathSeparator)));
}

TEST(FolderSearches, ListingMarksLinksOnly) {
    TempDir dir;
    dir.write("sub/a.exe", "1");
    dir.write("file.txt", "1");
#ifndef _WIN32
    std::filesystem::create_directory_symlink(dir.path() / "sub", dir.path() / "link");
#endif
    std::vector<platform::FolderEntry> entries;
    ASSERT_TRUE(platform::ListFolderEntries(dir.str(), entries));
    int seen = 0;
    for (const auto& e : entries) {
        if (e.name == "sub" || e.name == "file.txt" || e.name == "." || e.name == "..") {
            EXPECT_FALSE(e.link) << e.name;
            ++seen;
        } else if (e.name == "link") {
            EXPECT_TRUE(e.link);
            ++seen;
        }
    }
    EXPECT_GE(seen, 2);
}

}  // namespace
}  // namespace vanto
