// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "support/uninstall_entries.h"

#include <gtest/gtest.h>

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
