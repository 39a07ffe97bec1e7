// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/display_name.h"

#include <gtest/gtest.h>

#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

using namespace vanto;
using namespace vanto::testing;

TEST(DisplayName, ProductNameOfAnExistingFileElseThePathAsItCame) {
    TempDir dir;
    const std::string pe =
        dir.write("app/tool.exe",
                  BuildPeWithVersion(EncodeVersionInfo(VersionWithStrings({{"FileDescription", "Shiny Tool"}}))).bytes)
            .string();
    EXPECT_EQ(DisplayName(pe), "Shiny Tool");
    // Without a version resource the product name is the file's base name.
    EXPECT_EQ(DisplayName(dir.write("plain.bin", "data").string()), "plain");

    // Not an existing non-empty file: shown unchanged, not reduced to a base name.
    const std::string empty = dir.write("empty.exe", "").string();
    EXPECT_EQ(DisplayName(empty), empty);
    EXPECT_EQ(DisplayName(dir.str()), dir.str());  // a folder
    const std::string missing = (dir.path() / "gone.exe").string();
    EXPECT_EQ(DisplayName(missing), missing);
    EXPECT_EQ(DisplayName("?"), "?");
    EXPECT_EQ(DisplayName("no-such-program-here"), "no-such-program-here");  // a bare name from the process list
    EXPECT_EQ(DisplayName(""), "");
}
