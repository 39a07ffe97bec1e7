// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The files-and-folders operations on both backends, on real files: existence, sizes, folder
// creation, find-first searches and version texts. Links, FIFOs and names that are not UTF-8
// are Linux matters (linux/test_U_UnicodeUtils.cpp).
#include "support/U_UnicodeUtils.h"

#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace vanto;
using vanto::testing::TempDir;

namespace {

// The platform's wide form of a path (UTF-16 on Windows, the code points of the UTF-8 bytes on
// Linux).
std::wstring W(const fs::path& p) {
#ifdef _WIN32
    return p.wstring();
#else
    return platform::AnsiToWide(p.string());
#endif
}

constexpr wchar_t kSep = static_cast<wchar_t>(platform::kPathSeparator);

}  // namespace

TEST(Files, ExistenceAndSize) {
    TempDir dir;
    dir.write("empty.bin", "");
    const fs::path one = dir.write("one.bin", "x");
    const fs::path folder = dir.path() / "folder";
    fs::create_directory(folder);

    struct Case {
        const char* name;
        bool file;
        bool folder;
        bool not_empty;
    };
    const Case cases[] = {
        {"empty.bin", true, false, false},
        {"one.bin", true, false, true},
        {"folder", false, true, false},
        {"missing", false, false, false},
    };
    for (const auto& c : cases) {
        const std::wstring p = W(dir.path() / c.name);
        EXPECT_EQ(FileExistsWide(p), c.file) << c.name;
        EXPECT_EQ(DirectoryExistsWide(p), c.folder) << c.name;
        EXPECT_EQ(FileExistsNotEmpty(p), c.not_empty) << c.name;
    }
    EXPECT_TRUE(DirectoryExistsWide(W(folder) + kSep)) << "a trailing separator names the same folder";
    EXPECT_FALSE(FileExistsWide(W(one) + kSep));

    EXPECT_EQ(GetFileSize64(W(one)), 1u);
    EXPECT_EQ(GetFileSize64(W(folder)), 0u);
    EXPECT_EQ(GetFileSize64(W(dir.path() / "missing")), 0u);
}

#ifdef _WIN32
// Linux has no drives: there the drive forms answer false (linux/test_U_UnicodeUtils.cpp).
TEST(Files, DriveFormsAskTheDrive) {
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 2u);
    EXPECT_TRUE(DirectoryExistsWide(std::wstring(windows, 2)));
    EXPECT_TRUE(DirectoryExistsWide(std::wstring(windows, 2) + L"\\"));
}
#endif

TEST(Files, CreateDirectoryMakesOneLevel) {
    TempDir dir;
    EXPECT_TRUE(CreateDirectoryWide(W(dir.path() / "one")));
    EXPECT_TRUE(fs::is_directory(dir.path() / "one"));
    EXPECT_FALSE(CreateDirectoryWide(W(dir.path() / "one"))) << "already there";
    EXPECT_FALSE(CreateDirectoryWide(W(dir.path() / "two" / "three")));
    EXPECT_FALSE(fs::exists(dir.path() / "two"));
}

TEST(Files, FindFirstFileWideTakesWildcards) {
    TempDir dir;
    dir.write("a.EXE", "1");
    dir.write("b.exe", "1");
    dir.write("c.txt", "1");
    dir.write("noext", "1");
    auto names = [&](const std::wstring& pattern) {
        std::vector<std::wstring> found;
        FindData data;
        FindHandle h = FindFirstFileWide(W(dir.path()) + kSep + pattern, data);
        for (bool more = h.IsValid(); more; more = h.Next(data)) found.push_back(data.name);
        std::sort(found.begin(), found.end());
        return found;
    };
    EXPECT_EQ(names(L"*.exe"), (std::vector<std::wstring>{L"a.EXE", L"b.exe"}));
    EXPECT_EQ(names(L"?.TXT"), std::vector<std::wstring>{L"c.txt"});
    EXPECT_EQ(names(L"*.*"), (std::vector<std::wstring>{L".", L"..", L"a.EXE", L"b.exe", L"c.txt", L"noext"}));
    EXPECT_TRUE(names(L"*.dll").empty());

    FindData data;
    FindHandle h = FindFirstFileWide(W(dir.path() / "b.exe"), data);
    ASSERT_TRUE(h.IsValid());
    EXPECT_EQ(data.name, L"b.exe");
    EXPECT_EQ(data.size, 1u);
    EXPECT_EQ(data.attributes & (platform::kAttrDirectory | platform::kAttrArchive), platform::kAttrArchive);
    EXPECT_GT(data.last_write_time, 116444736000000000ull) << "FILETIME counts from 1601";
    EXPECT_FALSE(h.Next(data));
}

TEST(Files, FileVersionText) {
    TempDir dir;
    vanto::testing::VersionInfoSpec info;
    info.fileVersionMS = 0x00010008;
    info.fileVersionLS = 0x00040017;
    const fs::path exe =
        dir.write("tool.exe", vanto::testing::BuildPeWithVersion(vanto::testing::EncodeVersionInfo(info)).bytes);
    const fs::path plain = dir.write("plain.exe", "MZ but nothing else");
    fs::create_directory(dir.path() / "folder.exe");

    EXPECT_EQ(GetFileVersionText(W(exe)), L"1.8.4.23");
    EXPECT_EQ(GetFileVersionText(exe.string()), "1.8.4.23");
    EXPECT_EQ(GetFileVersionText(W(plain)), L"") << "no readable version";
    EXPECT_EQ(GetFileVersionText(W(dir.path() / "missing.exe")), L"File not found");
    EXPECT_EQ(GetFileVersionText(W(dir.path() / "folder.exe")), L"File not found");

    info.fileVersionMS = 0xFFFF0000;
    info.fileVersionLS = 0x0000FFFF;
    const fs::path high =
        dir.write("high.exe", vanto::testing::BuildPeWithVersion(vanto::testing::EncodeVersionInfo(info)).bytes);
    EXPECT_EQ(GetFileVersionText(W(high)), L"65535.0.0.65535");
}
