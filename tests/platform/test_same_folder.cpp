// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Whether two paths name one folder, as the file system sees it: the installed-or-portable
// test compares an uninstall entry's install location with the executable's folder this way.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "testsupport/test_support.h"

namespace vanto::platform {
namespace {

using vanto::testing::TempDir;

TEST(IsSameFolder, SpellingsOfOneFolderAndOtherFolders) {
    TempDir dir;
    dir.write("Program/app.exe", "x");
    dir.write("Other/app.exe", "x");
    const std::string root = dir.str();
    const char sep = std::filesystem::path::preferred_separator;
    const std::string program = root + sep + "Program";
    EXPECT_TRUE(IsSameFolder(program, program));
    EXPECT_TRUE(IsSameFolder(program, program + sep)) << "a trailing separator";
    EXPECT_TRUE(IsSameFolder(program, root + sep + "Other" + sep + ".." + sep + "Program"));
    EXPECT_FALSE(IsSameFolder(program, root + sep + "Other"));
    EXPECT_FALSE(IsSameFolder(program, root)) << "the folder above";
    EXPECT_FALSE(IsSameFolder(program, program + sep + "app.exe")) << "a file is no folder";
    EXPECT_FALSE(IsSameFolder(program, root + sep + "Gone"));
    EXPECT_FALSE(IsSameFolder(root + sep + "Gone", root + sep + "Gone")) << "a missing folder is no folder";
    EXPECT_FALSE(IsSameFolder("", program));
#ifdef _WIN32
    // Windows ignores letter case and takes either separator.
    std::string upper = root + "\\PROGRAM";
    EXPECT_TRUE(IsSameFolder(program, upper));
    std::string slashes = program;
    for (char& c : slashes)
        if (c == '\\') c = '/';
    EXPECT_TRUE(IsSameFolder(program, slashes));
#else
    // Linux tells letter case apart and follows links.
    EXPECT_FALSE(IsSameFolder(program, root + "/PROGRAM"));
    std::filesystem::create_directory_symlink(program, root + "/link");
    EXPECT_TRUE(IsSameFolder(program, root + "/link"));
#endif
}

}  // namespace
}  // namespace vanto::platform
