// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Linux executables carry no version resource: GetProductName names them as the desktop
// does, a file with a version resource is still named by it, and names kept between
// refreshes follow the desktop's changes.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/program_identity.h"
#include "productinfo/U_OrvoFct.h"
#include "productinfo/product_cache.h"
#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

namespace vanto {
namespace {

using vanto::testing::ScopedEnv;

// Fixture trees in `dir`: data folders, PATH and the package database, no AppStream unless asked.
struct IdentityFixture {
    explicit IdentityFixture(const vanto::testing::TempDir& dir, bool appstream = false)
        : home("XDG_DATA_HOME", dir.str() + "/home"),
          dirs("XDG_DATA_DIRS", dir.str() + "/share"),
          path("PATH", dir.str() + "/bin"),
          lc_all("LC_ALL", "C") {
        platform::ProgramIdentitySources sources;
        sources.dpkg_folder = dir.str() + "/dpkg";
        sources.appstream_folders = appstream ? std::vector<std::string>{dir.str() + "/metainfo"} : std::vector<std::string>{};
        sources.flatpak_installations = {};
        SetProgramIdentitySources(sources);
    }
    ScopedEnv home, dirs, path, lc_all;
};

TEST(ProgramNames, DesktopEntryNameElseTheWholeElfFileName) {
    vanto::testing::TempDir dir;
    const IdentityFixture fixture(dir);
    auto program = [&](const std::string& name, const std::string& bytes) {
        const std::string p = dir.write("bin/" + name, bytes).string();
        ::chmod(p.c_str(), 0755);
        return p;
    };
    const std::string elf = std::string("\x7F" "ELF\x02\x01\x01\x00", 8);
    const std::string named = program("python3.11", elf);
    const std::string unnamed = program("tool.v2 (64 bits)", elf);
    const std::string script = program("run.sh", "#!/bin/sh\n");
    const std::string pe = dir.write("bin/shiny", testing::BuildPeWithVersion(testing::EncodeVersionInfo(
                                                       testing::VersionWithStrings({{"FileDescription", "Shiny Tool"},
                                                                                    {"ProductName", "Shiny Tool"}})))
                                                       .bytes)
                               .string();
    ::chmod(pe.c_str(), 0755);
    dir.write("share/applications/python.desktop",
              "[Desktop Entry]\nType=Application\nName=Python (v3.11)\nExec=python3.11\n");
    dir.write("share/applications/shiny.desktop", "[Desktop Entry]\nType=Application\nName=Entry Name\nExec=shiny\n");
    dir.write("share/applications/tool.desktop", "[Desktop Entry]\nType=Link\nName=Not A Program\nExec=tool.v2\n");
    platform::WaitForProgramIdentityIndex(platform::ProgramIdentityNeed::Names);

    EXPECT_EQ(GetProductName(named), "Python (v3.11)") << "the name is taken as it is, version and all";
    EXPECT_EQ(GetProductName(unnamed), "tool.v2 (64 bits)") << "no extension cut, nothing cleaned away";
    EXPECT_EQ(GetProductName(script), "run") << "not an executable image: named as before";
    EXPECT_EQ(GetProductName(pe), "Shiny Tool") << "a version resource still names its file";
}

TEST(ProgramNames, KeptNamesFollowANewIndex) {
    vanto::testing::TempDir dir;
    const IdentityFixture fixture(dir);
    const std::string prog = dir.write("bin/late", std::string("\x7F" "ELF\x02\x01\x01\x00", 8)).string();
    ::chmod(prog.c_str(), 0755);
    platform::WaitForProgramIdentityIndex(platform::ProgramIdentityNeed::Names);

    ProductInfoCache cache;
    std::string name;
    ASSERT_TRUE(cache.NameOfFile(prog, name));
    EXPECT_EQ(name, "late");
    EXPECT_EQ(cache.Name(prog), "late");
    dir.write("share/applications/late.desktop", "[Desktop Entry]\nType=Application\nName=Late Entry\nExec=late\n");
    platform::WaitForProgramIdentityIndex(platform::ProgramIdentityNeed::Names);
    ASSERT_TRUE(cache.NameOfFile(prog, name));
    EXPECT_EQ(name, "Late Entry") << "the executable did not change, the index did";
    EXPECT_EQ(cache.Name(prog), "Late Entry");
}

TEST(ProgramNames, PublisherAndVersionReachTheCompanyAndTheVersion) {
    vanto::testing::TempDir dir;
    const IdentityFixture fixture(dir, true);
    const std::string prog = dir.write("bin/viewer", std::string("\x7F" "ELF\x02\x01\x01\x00", 8)).string();
    ::chmod(prog.c_str(), 0755);
    dir.write("share/applications/org.example.Viewer.desktop",
              "[Desktop Entry]\nType=Application\nName=Example Viewer\nExec=viewer %U\n");
    dir.write("metainfo/org.example.Viewer.metainfo.xml",
              "<component><id>org.example.Viewer</id><developer_name>Example Labs</developer_name></component>\n");
    dir.write("dpkg/status", "Package: viewer\nStatus: install ok installed\nVersion: 2:4.5.1-3\n");
    dir.write("dpkg/info/viewer.list", prog + "\n");
    platform::WaitForProgramIdentityIndex(platform::ProgramIdentityNeed::Versions);

    EXPECT_EQ(GetDisplayedFileInfo(prog), (TDisplayedFileInfo{"Example Viewer", "Example Labs"}));
    std::string p = prog;
    EXPECT_EQ(GetProductVersion(p), "4.5.1.0") << "the package's version without epoch and revision";

    const std::string loose = dir.write("bin/loose", std::string("\x7F" "ELF\x02\x01\x01\x00", 8)).string();
    platform::WaitForProgramIdentityIndex(platform::ProgramIdentityNeed::Versions);
    std::string q = loose;
    EXPECT_EQ(GetDisplayedFileInfo(loose), (TDisplayedFileInfo{"loose", ""}));
    EXPECT_EQ(GetProductVersion(q), "");
}

}  // namespace
}  // namespace vanto
