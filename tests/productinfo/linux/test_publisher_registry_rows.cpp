// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The publisher rows that ask the uninstall registry, against hives of the test's own.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "productinfo/U_OrvoFct.h"
#include "testsupport/registry_fixture.h"

using namespace vanto;

namespace {

// Uninstall entries in a machine hive of the test's own (the machine hive is read-only to the
// program).
class PublisherByRegistry : public ::testing::Test {
protected:
    vanto::testing::ScopedHives hives;
    const vanto::testing::TempDir& dir = hives.dir();
    std::vector<vanto::testing::HiveKey> keys;

    void AddEntry(const std::string& id, const std::vector<std::pair<std::string, std::string>>& values) {
        keys.push_back({vanto::testing::kMachineUninstall + id, values, {}});
        hives.machine(keys);
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
    hives.userText("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PW]\r\n"
                   "\"DisplayName\"=\"MiniTool Partition Wizard Free 12.8\"\r\n");
    EXPECT_EQ(NormaliseCompany("", exe, ""), "MiniTool Solution Ltd.") << "the name rule and this one agree";
    EXPECT_EQ(GetProductName(exe), "MiniTool Partition Wizard");
}

TEST_F(PublisherByRegistry, SsdDashboardNeedsAnInstalledVersionInItsFolder) {
    const std::string folder = (dir.path() / "SSD Dashboard").string();
    const std::string exe = folder + "/dashboard.exe";
    AddEntry("NoVersion", {{"DisplayName", "Western Digital SSD Dashboard"}, {"InstallLocation", folder}});
    EXPECT_EQ(NormaliseCompany("", exe, "Dashboard"), "") << "an entry without a version";
    keys.clear();
    AddEntry("ByUninstaller", {{"DisplayName", "Western Digital SSD Dashboard"}, {"DisplayVersion", "3.7.2.5"},
                               {"UninstallString", "\"" + folder + "/unins000.exe\" /S"}});
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
