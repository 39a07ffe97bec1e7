// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "support/uninstall_entries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/system_facts.h"
#include "testsupport/registry_fixture.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

using Lines = std::vector<std::string>;

const std::string kKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kKey32 = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Fakes the process kind for one test.
struct ScopedWow64 {
    explicit ScopedWow64(bool value) : old(platform::SetWow64Override(value)) {}
    ~ScopedWow64() { platform::SetWow64Override(old); }
    std::optional<bool> old;
};

}  // namespace

TEST(UninstallEntries, ListsHeadersDisplayNamesAndKeyNames) {
    ScopedHives hives;
    hives.machine({{std::string(kMachineUninstall) + "{GUID-1}", {{"DisplayName", "Foo Tool 2.1"}}, {}},
                   {std::string(kMachineUninstall) + "BarApp", {{"Publisher", "Bar Ltd"}}, {}},
                   {std::string(kMachineUninstall) + "NumberName", {}, {{"DisplayName", 7}}}});
    hives.user({{std::string(kUserUninstall) + "Mine", {{"DisplayName", "My Tool"}}, {}}});

    Lines names, errors = {"stale"};
    GetUninstallEntries(names, errors);
    EXPECT_EQ(names, (Lines{"HKEY_CURRENT_USER\\" + kKey, "My Tool", "HKEY_LOCAL_MACHINE\\" + kKey, "BarApp",
                            "NumberName", "Foo Tool 2.1", "HKEY_LOCAL_MACHINE\\" + kKey32}));
    EXPECT_TRUE(errors.empty()) << "a 32-bit system has no 32-bit view to miss";
}

TEST(UninstallEntries, MissingLocations) {
    ScopedHives hives;  // both hives empty
    Lines names, errors;
    GetUninstallEntries(names, errors);
    EXPECT_EQ(names, (Lines{"HKEY_LOCAL_MACHINE\\" + kKey, "HKEY_LOCAL_MACHINE\\" + kKey32}))
        << "the user's location only when it exists";
    EXPECT_EQ(errors, (Lines{"Unable to open HKEY_LOCAL_MACHINE\\" + kKey}));

    // A 32-bit copy on 64-bit Windows also misses the 32-bit view.
    ScopedWow64 wow(true);
    GetUninstallEntries(names, errors);
    EXPECT_EQ(errors, (Lines{"Unable to open HKEY_LOCAL_MACHINE\\" + kKey, "Unable to open HKEY_LOCAL_MACHINE\\" + kKey32}));
}

TEST(UninstallEntries, DamagedHiveCountsAsEmptyAndIsLeftAlone) {
    ScopedHives hives;
    const std::string damaged = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\n\"DisplayName\"=\"Ombrevale Vantoscope";
    hives.machineText(damaged);
    hives.userText(std::string("\0\0garbage", 9));
    Lines names, errors;
    GetUninstallEntries(names, errors);
    EXPECT_EQ(names, (Lines{"HKEY_LOCAL_MACHINE\\" + kKey, "HKEY_LOCAL_MACHINE\\" + kKey32}));
    EXPECT_FALSE(IsInstalled());
}

TEST(IsInstalled, OwnEntryInAnyLetterCase) {
    struct Case {
        std::string display_name;
        bool installed;
    };
    for (const Case& c : std::vector<Case>{{"Ombrevale Vantoscope 1.4.0.0", true},
                                           {"OMBREVALE vantoscope", true},
                                           {"Ombrevale Vantoscope", true},
                                           {"Vantoscope", false},
                                           {"Vantoscope by Ombrevale", false},
                                           {"Ombrevale Orvo", false}}) {
        ScopedHives hives;
        hives.machine({{std::string(kMachineUninstall) + "Entry", {{"DisplayName", c.display_name}}, {}}});
        EXPECT_EQ(IsInstalled(), c.installed) << c.display_name;
    }
    // A per-user installation counts, and so does a key named after the program.
    ScopedHives hives;
    hives.user({{std::string(kUserUninstall) + "Ombrevale Vantoscope_is1", {{"Publisher", "Ombrevale"}}, {}}});
    EXPECT_TRUE(IsInstalled());
}

// With the program installed, only the copy in the entry's install location counts as
// installed; a copy anywhere else (a build folder, a USB stick) is portable.
TEST(IsInstalled, OnlyTheCopyInTheEntrysInstallLocation) {
    TempDir where;
    const std::string here = where.write("usr/bin/vantoscope", "program").string();
    const std::string stick = where.write("media/stick/vantoscope", "copy").string();
    const std::string bin = (where.path() / "usr" / "bin").string();
    std::filesystem::create_directory_symlink(where.path() / "usr", where.path() / "usr-link");
    struct Case {
        std::vector<std::pair<std::string, std::string>> values;
        bool here_installed;
        bool stick_installed;
    };
    for (const Case& c : std::vector<Case>{
             {{{"DisplayName", "Ombrevale Vantoscope 1.0.0.0"}, {"InstallLocation", bin}}, true, false},
             {{{"DisplayName", "Ombrevale Vantoscope 1.0.0.0"}, {"InstallLocation", bin + "/"}}, true, false},
             {{{"DisplayName", "Ombrevale Vantoscope 1.0.0.0"}, {"InstallLocation", "\"" + bin + "\""}}, true, false},
             {{{"DisplayName", "Ombrevale Vantoscope 1.0.0.0"},
               {"InstallLocation", (where.path() / "usr-link" / "bin").string()}},
              true,
              false},
             {{{"DisplayName", "Ombrevale Vantoscope 1.0.0.0"}, {"InstallLocation", bin + "/../bin"}}, true, false},
             // No location: every copy counts, as before.
             {{{"DisplayName", "Ombrevale Vantoscope 1.0.0.0"}}, true, true},
             {{{"DisplayName", "Ombrevale Vantoscope 1.0.0.0"}, {"InstallLocation", ""}}, true, true},
             // A location that does not exist (uninstalled by hand) makes no copy installed.
             {{{"DisplayName", "Ombrevale Vantoscope 1.0.0.0"}, {"InstallLocation", bin + "-gone"}}, false, false},
             // The file itself is no folder.
             {{{"DisplayName", "Ombrevale Vantoscope 1.0.0.0"}, {"InstallLocation", here}}, false, false},
             // Another program's entry in this folder decides nothing.
             {{{"DisplayName", "Other Tool"}, {"InstallLocation", bin}}, false, false},
         }) {
        ScopedHives hives;
        hives.machine({{std::string(kMachineUninstall) + "Vantoscope", c.values, {}}});
        const std::string what = c.values.size() > 1 ? c.values[1].second : "no location";
        EXPECT_EQ(IsInstalled(kInstalledDisplayNamePrefix, here), c.here_installed) << what;
        EXPECT_EQ(IsInstalled(kInstalledDisplayNamePrefix, stick), c.stick_installed) << what;
    }
    // Two entries: the copy is installed when either names its folder.
    ScopedHives hives;
    hives.machine({{std::string(kMachineUninstall) + "Vantoscope",
                    {{"DisplayName", "Ombrevale Vantoscope 1.0"}, {"InstallLocation", bin}},
                    {}}});
    hives.user({{std::string(kUserUninstall) + "Vantoscope",
                 {{"DisplayName", "Ombrevale Vantoscope 1.0"},
                  {"InstallLocation", (where.path() / "media" / "stick").string()}},
                 {}}});
    EXPECT_TRUE(IsInstalled(kInstalledDisplayNamePrefix, here));
    EXPECT_TRUE(IsInstalled(kInstalledDisplayNamePrefix, stick));
    // The name-only test the product rules use is unchanged.
    EXPECT_TRUE(IsInstalled(kInstalledDisplayNamePrefix));
}
