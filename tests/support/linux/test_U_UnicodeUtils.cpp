// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "support/U_UnicodeUtils.h"

#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace fs = std::filesystem;
using namespace vanto;
using vanto::testing::TempDir;

using vanto::testing::ScopedEnv;

namespace {

std::wstring W(const fs::path& p) { return platform::AnsiToWide(p.string()); }

TEST(UnicodeUtilsFiles, ExistenceAndSize) {
    TempDir dir;
    const fs::path empty = dir.write("empty.bin", "");
    const fs::path one = dir.write("one.bin", "x");
    const fs::path folder = dir.path() / "folder";
    fs::create_directory(folder);
    fs::create_symlink(one, dir.path() / "link-to-file");
    fs::create_symlink(folder, dir.path() / "link-to-folder");
    fs::create_symlink(dir.path() / "nowhere", dir.path() / "dangling");
    ASSERT_EQ(::mkfifo((dir.path() / "pipe").c_str(), 0600), 0);

    struct Case {
        const char* name;
        bool file;
        bool folder;
        bool not_empty;
    };
    // Plain files and folders on both backends: ../test_files.cpp.
    const Case cases[] = {
        {"link-to-file", true, false, true},
        {"link-to-folder", false, true, false},
        {"dangling", false, false, false},
        {"pipe", false, false, false},
    };
    for (const auto& c : cases) {
        const std::wstring p = W(dir.path() / c.name);
        EXPECT_EQ(FileExistsWide(p), c.file) << c.name;
        EXPECT_EQ(DirectoryExistsWide(p), c.folder) << c.name;
        EXPECT_EQ(FileExistsNotEmpty(p), c.not_empty) << c.name;
    }
    const fs::path large = dir.write("large.bin", "");
    fs::resize_file(large, 5ull * 1024 * 1024 * 1024 + 3);  // sparse: sizes past 32 bits
    EXPECT_EQ(GetFileSize64(W(large)), 5ull * 1024 * 1024 * 1024 + 3);
    EXPECT_TRUE(FileExistsNotEmpty(W(large)));
}

TEST(UnicodeUtilsFiles, DriveFormsAskTheDriveAndDoNotSearch) {
    TempDir dir;
    const fs::path old = fs::current_path();
    fs::current_path(dir.path());
    fs::create_directory("C:");
    fs::create_directory("C:\\");
    fs::create_directory("C:x");
    EXPECT_FALSE(DirectoryExistsWide(L"C:")) << "Linux has no drive C";
    EXPECT_FALSE(DirectoryExistsWide(L"C:\\"));
    EXPECT_TRUE(DirectoryExistsWide(L"C:x")) << "not a drive form: searched like any path";
    fs::current_path(old);
}

TEST(UnicodeUtilsFiles, NamesThatAreNotUtf8SurviveTheWideRoundTrip) {
    TempDir dir;
    const std::string odd = std::string("caf\xE9-\xC3\xA9-\xED\xA0\x80-\xF0\x9F\x98\x80") + "\xC0\xAF";
    EXPECT_EQ(platform::WideToAnsi(platform::AnsiToWide(odd)), odd);
    const fs::path file = dir.write(odd, "data");
    EXPECT_TRUE(FileExistsNotEmpty(W(file)));
    std::vector<std::string> list;
    ListFiles(dir.str(), list);
    EXPECT_EQ(list, std::vector<std::string>{file.string()});
}

TEST(UnicodeUtilsFolders, SpecialFoldersFollowXdgDataHome) {
    TempDir dir;
    const std::string data = (dir.path() / "data" / "home").string();
    {
        ScopedEnv xdg("XDG_DATA_HOME", (data + "/").c_str());
        EXPECT_EQ(GetSpecialFolder(kCsidlAppData), data);
        EXPECT_EQ(GetSpecialFolder(kCsidlLocalAppData), data);
        EXPECT_TRUE(fs::is_directory(data)) << "created for a fresh account";
        EXPECT_EQ(fs::status(data).permissions() & fs::perms::all, fs::perms::owner_all);
        EXPECT_EQ(GetSpecialFolder(37), "");
        EXPECT_EQ(GetSpecialFolder(5), "");
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", "relative/path");
        ScopedEnv home("HOME", dir.str().c_str());
        EXPECT_EQ(GetSpecialFolder(kCsidlAppData), dir.str() + "/.local/share") << "a relative XDG_DATA_HOME is ignored";
    }
}

TEST(UnicodeUtilsFolders, UserDataFolderIsMadeUnderTheMaker) {
    TempDir dir;
    const std::string data = (dir.path() / "data").string();
    ScopedEnv xdg("XDG_DATA_HOME", data.c_str());
    const std::string folder = GetUserDataFolder("/opt/vantoscope/vantoscope", "Vantoscope");
    EXPECT_EQ(folder, data + "/Ombrevale/Vantoscope/");
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(GetUserDataFolder("/opt/vantoscope/vantoscope", "Vantoscope"), folder) << "an existing folder is fine";
}

TEST(UnicodeUtilsFolders, UserDataFolderFallsBackToTheExecutablesFolder) {
    TempDir dir;
    const fs::path blocker = dir.write("blocker", "a file where a folder should be");
    {
        ScopedEnv xdg("XDG_DATA_HOME", (blocker / "data").c_str());
        EXPECT_EQ(GetUserDataFolder("/opt/vantoscope/vantoscope", "Vantoscope"), "/opt/vantoscope/");
    }
    {
        const std::string data = (dir.path() / "data").string();
        ScopedEnv xdg("XDG_DATA_HOME", data.c_str());
        dir.write("data/Ombrevale/Vantoscope", "the product folder is a file");
        EXPECT_EQ(GetUserDataFolder("/opt/vantoscope/vantoscope", "Vantoscope"), "/opt/vantoscope/");
        EXPECT_EQ(GetUserDataFolder("vantoscope", "Vantoscope"), "") << "no folder in the path";
        for (const char* title : {"", ".", "..", "../Escape", "a/b"}) {
            EXPECT_EQ(GetUserDataFolder("/opt/x/vantoscope", title), "/opt/x/") << title;
        }
        EXPECT_FALSE(fs::exists(dir.path() / "data" / "Escape"));
        EXPECT_FALSE(fs::exists(dir.path() / "data" / "Ombrevale" / "a"));
    }
}

// root: a.EXE, b.txt, archive.exe.txt, named.exe/ (a folder), .hidden.exe, link -> sub,
//       sub/ (c.exe, deeper/ (d.exe, TARGET.dll)), target.DLL
class UnicodeUtilsSearch : public ::testing::Test {
protected:
    TempDir dir;
    std::string root = dir.str();

    void SetUp() override {
        dir.write("a.EXE", "1");
        dir.write("b.txt", "1");
        dir.write("archive.exe.txt", "1");
        dir.write(".hidden.exe", "1");
        dir.write("target.DLL", "1");
        dir.write("sub/c.exe", "1");
        dir.write("sub/deeper/d.exe", "1");
        dir.write("sub/deeper/TARGET.dll", "1");
        fs::create_directory(dir.path() / "named.exe");
        fs::create_directory_symlink(dir.path() / "sub", dir.path() / "link");
    }

    std::string P(const std::string& rel) const { return root + "/" + rel; }

    // The position of an entry in the file system's own order of the root folder.
    std::ptrdiff_t RootOrder(const std::string& name) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
        return std::find(names.begin(), names.end(), name) - names.begin();
    }
};

TEST_F(UnicodeUtilsSearch, FindFilesByExtIsDepthFirstAndStaysOutOfLinks) {
    std::vector<std::string> list = {"kept"};
    FindFilesByExt(root, ".exe", list);
    const std::vector<std::string> sub_block = {P("sub/c.exe"), P("sub/deeper/d.exe")};
    std::vector<std::string> expected = {"kept"};
    std::vector<std::pair<std::ptrdiff_t, std::vector<std::string>>> groups = {
        {RootOrder("a.EXE"), {P("a.EXE")}}, {RootOrder(".hidden.exe"), {P(".hidden.exe")}}, {RootOrder("sub"), {}}};
    // Within sub, c.exe and the deeper folder come in sub's own order.
    std::vector<std::string> in_sub;
    for (const auto& e : fs::directory_iterator(dir.path() / "sub")) in_sub.push_back(e.path().filename().string());
    for (const auto& name : in_sub) groups[2].second.push_back(name == "c.exe" ? P("sub/c.exe") : P("sub/deeper/d.exe"));
    std::sort(groups.begin(), groups.end());
    for (const auto& g : groups) expected.insert(expected.end(), g.second.begin(), g.second.end());
    EXPECT_EQ(list, expected);

    std::vector<std::string> again;
    FindFilesByExt(root + "/", ".EXE", again);
    EXPECT_EQ(again, std::vector<std::string>(expected.begin() + 1, expected.end()))
        << "a trailing separator and the case of the extension change nothing";
}

TEST_F(UnicodeUtilsSearch, FindFilesNamedRecursiveMatchesEveryDepth) {
    std::vector<std::string> list;
    FindFilesNamedRecursive(root, "target.dll", list);
    std::vector<std::string> expected = {P("target.DLL"), P("sub/deeper/TARGET.dll")};
    if (RootOrder("sub") < RootOrder("target.DLL")) std::swap(expected[0], expected[1]);
    EXPECT_EQ(list, expected);
}

TEST_F(UnicodeUtilsSearch, FlatListingsAndNamedFiles) {
    std::vector<std::string> files;
    ListFiles(root, files);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{P(".hidden.exe"), P("a.EXE"), P("archive.exe.txt"), P("b.txt"),
                                               P("target.DLL")}));
    std::vector<std::string> folders;
    ListFolders(root + "/", folders);
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders, (std::vector<std::string>{P("link"), P("named.exe"), P("sub")}));

    std::vector<std::string> named = {"kept"};
    FindFilesNamed(root, "A.exe", named);
    FindFilesNamed(root, "named.exe", named);
    FindFilesNamed(root, "c.exe", named);
    EXPECT_EQ(named, (std::vector<std::string>{"kept", P("a.EXE")})) << "folders and deeper files are not named files";
}

TEST_F(UnicodeUtilsSearch, SearchesOfAMissingFolderLeaveTheListAlone) {
    const std::vector<std::string> before = {"one", "two"};
    for (const std::string& folder : {P("missing"), P("a.EXE"), std::string()}) {
        std::vector<std::string> list = before;
        FindFilesByExt(folder, ".exe", list);
        ListFiles(folder, list);
        ListFolders(folder, list);
        FindFilesNamed(folder, "a.exe", list);
        FindFilesNamedRecursive(folder, "a.exe", list);
        EXPECT_EQ(list, before) << "'" << folder << "'";
    }
}

}  // namespace
