// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The commands and the two parts of the program index: --list needs names only and goes on
// while the package database is still being read; --identify names versions from it.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <sstream>
#include <string>

#include "app/cli/cli.h"
#include "platform/linux/program_index.h"
#include "platform/program_identity.h"
#include "testsupport/held_package_build.h"
#include "testsupport/test_support.h"

using vanto::testing::HeldPackageBuild;

namespace vanto {
namespace {

using vanto::testing::ScopedEnv;

TEST(CommandsAndTheProgramIndex, ListGoesOnWhileThePackageDatabaseIsReadAndIdentifyWaitsForIt) {
    vanto::testing::TempDir dir;
    ScopedEnv home("XDG_DATA_HOME", dir.str() + "/home"), dirs("XDG_DATA_DIRS", dir.str() + "/share"),
        path("PATH", dir.str() + "/bin"), lc_all("LC_ALL", "C");
    const std::string prog = dir.write("bin/tool", std::string("\x7F" "ELF\x02\x01\x01\x00", 8)).string();
    ::chmod(prog.c_str(), 0755);
    dir.write("dpkg/status", "Package: tool\nStatus: install ok installed\nVersion: 1:6.2-1\n");
    dir.write("dpkg/info/tool.list", prog + "\n");
    platform::ProgramIdentitySources sources;
    sources.dpkg_folder = dir.str() + "/dpkg";
    sources.appstream_folders = {};
    sources.flatpak_installations = {};
    sources.snap_desktop_folder = dir.str() + "/snapd";
    sources.snap_mount_folder = dir.str() + "/snap";

    HeldPackageBuild held;  // the package part's build waits until the test lets it go
    platform::SetProgramIdentitySources(sources);
    // Bounds that only keep a fault from hanging the run; nothing is timed.
    constexpr auto kHang = std::chrono::seconds(60);
    ASSERT_TRUE(held.Entered(kHang)) << "no package build started";

    auto list = std::async(std::launch::async, [] {
        std::ostringstream out, err;
        const int code = cli::Main({"--list", "--all"}, out, err, {});
        return code == 0 && out.str().rfind("PID", 0) == 0;
    });
    const bool listed = list.wait_for(kHang) == std::future_status::ready;
    if (!listed) held.Release();  // so that the command ends and the test fails instead of hanging
    ASSERT_TRUE(listed) << "--list waited for the package database";
    EXPECT_TRUE(list.get()) << "--list printed no table";

    held.Release();
    std::ostringstream out, err;
    EXPECT_EQ(cli::Main({"--identify", "--format", "csv", prog}, out, err, {}), 0);
    EXPECT_NE(out.str().find(",6.2"), std::string::npos) << "the package's version: " << out.str();
}

}  // namespace
}  // namespace vanto
