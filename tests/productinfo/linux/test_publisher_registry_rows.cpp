// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The publisher rows that ask the uninstall registry, against hand-written hives.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "productinfo/U_OrvoFct.h"
#include "testsupport/test_support.h"

using namespace vanto;

namespace {

// Uninstall entries in a machine hive of the test's own (a hand-written file: the machine
// hive is read-only to the program).
class PublisherByRegistry : public ::testing::Test {
protected:
    vanto::testing::TempDir dir;
    vanto::testing::ScopedEnv user_env{"VANTOSCOPE_USER_HIVE", (dir.path() / "user.reg").string()};
    vanto::testing::ScopedEnv machine_env{"VANTOSCOPE_MACHINE_HIVE", (dir.path() / "machine.reg").string()};
    std::string hive = "REGEDIT4\r\n";

    void AddEntry(const std::string& id, const std::vector<std::pair<std::string, std::string>>& values) {
        hive += "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + id + "]\r\n";
        for (const auto& [name, value] : values) {
            hive.append("\"").append(name).append("\"=\"").append(value).append("\"\r\n");
        }
        dir.write("machine.reg", hive);
    }
};

}  // namespace

TEST_F(PublisherByRegistry, PartitionWizardIsKnownByItsInstalledCopy) {
    const std::string exe = (dir.path() / "MiniTool" / "partitionwizard.exe").string();
    EXPECT_EQ(NormaliseCompany("", exe, "Partition Wizard"), "");
    AddEntry("PW", {{"DisplayName", "MiniTool Partition Wizard Free 12.8"}});
    EXPECT_EQ(NormaliseCompany("", exe, "Partition Wizard"), "MiniTool Solution Ltd.");
    // Only for a file of that name, and only when the file names no company.
    EXPECT_EQ(NormaliseCompany("", (dir.path() / "MiniTool" / "wizard.exe").string(), "Partition Wizard"), "");
    EXPECT_EQ(NormaliseCompany("Acme Ltd", exe, "Partition Wizard"), "Acme Ltd");
}

TEST_F(PublisherByRegistry, PartitionWizardInstalledForTheUserAlone) {
    const std::string exe = (dir.path() / "MiniTool" / "partitionwizard.exe").string();
    dir.write("user.reg",
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PW]\r\n"
              "\"DisplayName\"=\"MiniTool Partition Wizard Free 12.8\"\r\n");
    EXPECT_EQ(NormaliseCompany("", exe, ""), "MiniTool Solution Ltd.") << "the name rule and this one agree";
    EXPECT_EQ(GetProductName(exe), "MiniTool Partition Wizard");
}

TEST_F(PublisherByRegistry, SsdDashboardNeedsAnInstalledVersionInItsFolder) {
    const std::string folder = (dir.path() / "SSD Dashboard").string();
    const std::string exe = folder + "/dashboard.exe";
    AddEntry("NoVersion", {{"DisplayName", "Western Digital SSD Dashboard"}, {"InstallLocation", folder}});
    EXPECT_EQ(NormaliseCompany("", exe, "Dashboard"), "") << "an entry without a version";
    hive = "REGEDIT4\r\n";
    AddEntry("ByUninstaller", {{"DisplayName", "Western Digital SSD Dashboard"}, {"DisplayVersion", "3.7.2.5"},
                               {"UninstallString", "\\\"" + folder + "/unins000.exe\\\" /S"}});
    EXPECT_EQ(NormaliseCompany("", exe, "Dashboard"), "Western Digital") << "tied to the folder by its uninstaller";
}

TEST_F(PublisherByRegistry, SsdDashboardIsKnownByTheEntryOfItsFolder) {
    const std::string folder = (dir.path() / "SSD Dashboard").string();
    const std::string exe = folder + "/dashboard.exe";
    AddEntry("Other", {{"DisplayName", "SSD Dashboard"}, {"InstallLocation", (dir.path() / "elsewhere").string()}});
    EXPECT_EQ(NormaliseCompany("", exe, "Dashboard"), "");
    AddEntry("WD", {{"DisplayName", "Western Digital SSD Dashboard"}, {"DisplayVersion", "3.7"}, {"InstallLocation", folder}});
    EXPECT_EQ(NormaliseCompany("", exe, "Dashboard"), "Western Digital");
}
