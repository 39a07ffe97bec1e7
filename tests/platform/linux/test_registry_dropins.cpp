// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The machine hive's drop-in folders: the packages' and "registry.d/*.reg" beside the hive,
// merged over it in name order, read only, a broken drop-in left out, changes seen at the
// next read.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "testsupport/test_support.h"

namespace fs = std::filesystem;
using namespace vanto::platform;
using vanto::testing::ScopedEnv;
using vanto::testing::TempDir;

namespace {

constexpr const char* kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string Entry(const std::string& key, const std::string& name) {
    return "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + std::string(kUninstall) + "\\" + key + "]\r\n\"DisplayName\"=\"" + name +
           "\"\r\n";
}

class DropInTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv user{"VANTOSCOPE_USER_HIVE", (dir.path() / "user.reg").string()};
    ScopedEnv machine{"VANTOSCOPE_MACHINE_HIVE", (dir.path() / "etc" / "registry.reg").string()};

    std::vector<std::string> Entries() {
        RegKey key;
        std::vector<std::string> names;
        if (key.Open(RegRoot::LocalMachine, kUninstall, RegAccess::Read)) key.GetSubKeyNames(names);
        return names;
    }
    std::string DisplayName(const std::string& entry) {
        RegKey key;
        std::string text;
        if (key.Open(RegRoot::LocalMachine, std::string(kUninstall) + "\\" + entry, RegAccess::Read))
            key.ReadString("DisplayName", text);
        return text;
    }
};

TEST_F(DropInTest, DropInsJoinTheMachineHiveInNameOrder) {
    dir.write("etc/registry.reg", Entry("Editor", "Some Editor"));
    dir.write("etc/registry.d/50-vantoscope.reg", Entry("Vantoscope", "Ombrevale Vantoscope 1.0.0.0"));
    dir.write("etc/registry.d/90-override.reg", Entry("Editor", "Some Editor 2"));
    dir.write("etc/registry.d/10-broken.reg", "not a hive");
    dir.write("etc/registry.d/readme.txt", Entry("Ignored", "not a .reg file"));
    dir.write("etc/registry.d/.hidden.reg", Entry("Hidden", "left out"));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Editor", "Vantoscope"}));
    EXPECT_EQ(DisplayName("Vantoscope"), "Ombrevale Vantoscope 1.0.0.0");
    EXPECT_EQ(DisplayName("Editor"), "Some Editor 2") << "a later file wins";

    // Removing the package removes its entry at the next read.
    fs::remove(dir.path() / "etc" / "registry.d" / "50-vantoscope.reg");
    EXPECT_EQ(Entries(), std::vector<std::string>{"Editor"});
}

TEST_F(DropInTest, DropInsWorkWithoutAHiveAndAreNeverWritten) {
    const std::string text = Entry("Vantoscope", "Ombrevale Vantoscope 1.0.0.0");
    dir.write("etc/registry.d/vantoscope.reg", text);
    EXPECT_EQ(Entries(), std::vector<std::string>{"Vantoscope"});
    RegKey key;
    EXPECT_FALSE(key.Open(RegRoot::LocalMachine, std::string(kUninstall) + "\\Vantoscope", RegAccess::ReadWrite));
    EXPECT_FALSE(DeleteRegistryTree(RegRoot::LocalMachine, std::string(kUninstall) + "\\Vantoscope"));
    EXPECT_EQ(vanto::testing::readFile(dir.path() / "etc" / "registry.d" / "vantoscope.reg"), text);
    EXPECT_FALSE(fs::exists(dir.path() / "etc" / "registry.reg"));
}

// Packages put their entries under /usr (files a package owns and removes); the
// administrator's folder beside the hive is read after it and wins.
TEST_F(DropInTest, PackageFolderIsReadBeforeTheAdministratorsFolder) {
    ScopedEnv packages{"VANTOSCOPE_PACKAGE_REGISTRY_D", (dir.path() / "usr" / "registry.d").string()};
    dir.write("usr/registry.d/vantoscope.reg", Entry("Vantoscope", "Ombrevale Vantoscope 1.0.0.0"));
    dir.write("usr/registry.d/tool.reg", Entry("Tool", "Packaged Tool"));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Tool", "Vantoscope"}));
    EXPECT_EQ(DisplayName("Tool"), "Packaged Tool");
    dir.write("etc/registry.d/00-tool.reg", Entry("Tool", "Local Tool"));
    EXPECT_EQ(DisplayName("Tool"), "Local Tool") << "the administrator's file wins, whatever its name";
    fs::remove(dir.path() / "usr" / "registry.d" / "vantoscope.reg");
    EXPECT_EQ(Entries(), std::vector<std::string>{"Tool"});
}

TEST_F(DropInTest, AnOverriddenMachineHiveIgnoresTheInstalledPackagesFolder) {
    // Whatever is installed on this machine under /usr/share/ombrevale/registry.d stays out.
    ScopedEnv packages{"VANTOSCOPE_PACKAGE_REGISTRY_D", nullptr};
    EXPECT_TRUE(Entries().empty());
}

}  // namespace
