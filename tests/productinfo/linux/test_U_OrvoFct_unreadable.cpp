// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Files that exist but cannot be read: naming must carry on as if they were absent, and
// never wait on them.
#include "productinfo/U_OrvoFct.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

std::string BarePe(const TempDir& dir, const std::string& name) {
    return dir.write(name, BuildPe(PeSpec{}).bytes).string();
}

}  // namespace

TEST(UnreadableFiles, AManifestThatIsAPipeCountsAsAbsent) {
    TempDir dir;
    const auto manifest = dir.path() / "META-INF" / "AIR" / "application.xml";
    std::filesystem::create_directories(manifest.parent_path());
    ASSERT_EQ(mkfifo(manifest.c_str(), 0600), 0);
    // Opening a pipe for reading would wait for a writer for ever.
    EXPECT_EQ(GetProductName(BarePe(dir, "runner.exe")), "runner");
}

TEST(UnreadableFiles, AManifestWithoutReadPermissionCountsAsAbsent) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    TempDir dir;
    const auto manifest = dir.write("META-INF/AIR/application.xml", "<name>Hidden</name>\n");
    ASSERT_EQ(chmod(manifest.c_str(), 0), 0);
    EXPECT_EQ(GetProductName(BarePe(dir, "runner.exe")), "runner");
}

TEST(UnreadableFiles, AnExecutablePathThatIsAPipeIsNamedByItsFileName) {
    TempDir dir;
    const auto pipe = dir.path() / "tool.exe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(GetProductName(pipe.string()), "tool");
    EXPECT_EQ(ReadVersionInfo(pipe.string()), FileVersionInfoRec{});
    bool is64 = true;
    EXPECT_FALSE(IsPEImage(pipe.string(), is64));
    EXPECT_FALSE(is64);
}
