// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "productinfo/uninstall_lookups.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/system_facts.h"
#include "productinfo/U_OrvoFct.h"
#include "testsupport/pe_builder.h"
#include "testsupport/registry_fixture.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

struct ScopedWow64 {
    explicit ScopedWow64(bool value) : old(platform::SetWow64Override(value)) {}
    ~ScopedWow64() { platform::SetWow64Override(old); }
    std::optional<bool> old;
};

HiveKey Entry(const char* location, const std::string& sub, std::vector<std::pair<std::string, std::string>> values) {
    return {std::string(location) + sub, std::move(values), {}};
}

}  // namespace

TEST(UninstallLookups, HighestVersionComparedAsNumbers) {
    ScopedHives hives;
    hives.machine({Entry(kMachineUninstall, "A", {{"DisplayName", "Foo Player"}, {"DisplayVersion", "2.1"}}),
                   Entry(kMachineUninstall, "B", {{"DisplayName", "Foo Player (x64)"}, {"DisplayVersion", "10.0"}}),
                   Entry(kMachineUninstall, "C", {{"DisplayName", "foo player"}, {"DisplayVersion", "v3.2 "}}),
                   Entry(kMachineUninstall, "D", {{"DisplayName", "Foo Player"}}),
                   Entry(kMachineUninstall, "E", {{"DisplayName", "Other"}, {"DisplayVersion", "99"}})});
    EXPECT_EQ(FindInstalledVersion("Foo Player"), "10.0");
    EXPECT_EQ(FindInstalledVersion("missing"), "");
    EXPECT_EQ(StripVersionPrefix("v3.2 "), "3.2");
    EXPECT_EQ(StripVersionPrefix("V 1"), "1");
    EXPECT_EQ(StripVersionPrefix("version 2"), "ersion 2");

    hives.machine({Entry(kMachineUninstall, "C", {{"DisplayName", "Foo Player"}, {"DisplayVersion", "v3.2 "}}),
                   Entry(kMachineUninstall, "D", {{"DisplayName", "Foo Player"}, {"DisplayVersion", "3.2.0"}})});
    EXPECT_EQ(FindInstalledVersion("Foo Player"), "3.2") << "the first of equal versions stays";
}

TEST(UninstallLookups, MachineFirstThenUser) {
    ScopedHives hives;
    hives.user({Entry(kUserUninstall, "U", {{"DisplayName", "Foo Sync"}, {"DisplayVersion", "5.0"}})});
    EXPECT_EQ(FindInstalledVersion("Foo Sync"), "5.0") << "a per-user installation is found";

    hives.machine({Entry(kMachineUninstall, "M", {{"DisplayName", "Foo Sync"}, {"DisplayVersion", "4.0"}})});
    EXPECT_EQ(FindInstalledVersion("Foo Sync"), "4.0") << "the user's entries only when the machine has none";
    EXPECT_EQ(FindNumberByNameContains("Foo Sync"), "") << "machine-only lookups never read the user's entries";
}

TEST(UninstallLookups, EntriesOfAFolder) {
    ScopedHives hives;
    hives.machine({
        Entry(kMachineUninstall, "1",
              {{"DisplayName", "Foo Suite"}, {"DisplayVersion", "1.0"}, {"InstallLocation", "/opt/other"},
               {"DisPlayIcon", "/opt/foo/foo.exe"}, {"Publisher", "Wrong Ltd"}}),
        Entry(kMachineUninstall, "2",
              {{"DisplayName", "Foo Suite 7.1"}, {"DisplayVersion", "7.1"}, {"DisPlayIcon", "\"/opt/foo/foo.exe\",0"},
               {"Publisher", "Foo Ltd"}}),
        Entry(kMachineUninstall, "3",
              {{"DisplayName", "Foo Helper"}, {"DisplayVersion", "2.0"}, {"UninstallString", "/opt/foo/unins000 /S"}}),
        Entry(kMachineUninstall, "4",
              {{"DisplayName", "Inno Tool version 3.5"}, {"InstallLocation", "/opt/inno/"},
               {"Inno Setup: Icon Group", "Inno Tool"}}),
    });
    // Another install location rules the entry out even with its icon in the folder.
    EXPECT_EQ(FindUninstallVersion("Foo Suite", "", "/opt/foo/"), "7.1");
    EXPECT_EQ(FindUninstallVersion("Foo Suite", "", "/opt/other"), "1.0");
    EXPECT_EQ(FindUninstallPublisher("/opt/foo"), "Foo Ltd");
    EXPECT_EQ(FindUninstallDisplayName("/OPT/FOO/"), "Foo Suite 7.1") << "folders compare without case";
    // Only the version lookup tries the uninstaller's folder.
    EXPECT_EQ(FindUninstallVersion("Foo Helper", "", "/opt/foo/"), "2.0");
    EXPECT_EQ(FindUninstallDisplayName("/opt/inno"), "Inno Tool") << "the icon group drops Inno's version";
    EXPECT_EQ(FindUninstallDisplayName("/opt/none/"), "");
}

TEST(UninstallLookups, VersionsInsideDisplayNames) {
    ScopedHives hives;
    hives.machine({
        Entry(kMachineUninstall, "a", {{"DisplayName", "QuickTime Alternative 3.2.2"}}),
        Entry(kMachineUninstall, "b", {{"DisplayName", "QuickTime Alternative 1.81"}}),
        Entry(kMachineUninstall, "c", {{"DisplayName", "Launchy 2.5"}}),
        Entry(kMachineUninstall, "d", {{"DisplayName", "Launchy-2.6 beta"}}),
        Entry(kMachineUninstall, "e", {{"DisplayName", "XVid 1.3.7 codec"}}),
        Entry(kMachineUninstall, "f", {{"DisplayName", "K-Lite Codec Pack 17.0 (64-bit)"}, {"DisplayVersion", "17.0"}}),
        Entry(kMachineUninstall, "g", {{"DisplayName", "K-Lite Codec Pack 16.5"}, {"DisplayVersion", "16.5"}}),
        Entry(kMachineUninstall, "h", {{"DisplayName", "MiniTool Partition Wizard Free 12.8"}}),
    });
    EXPECT_EQ(FindNumberByNameContains("quicktime alternative"), "3.2.2");
    EXPECT_EQ(FindVersionAfterFirstWord("launchy"), "2.6") << "the last matching entry";
    EXPECT_EQ(FindNumberInDisplayName("XVid"), "1.3.7");
    EXPECT_EQ(FindVersionByTwoWords("K-Lite Codec Pack", "64-bit"), "17.0");
    EXPECT_EQ(FindVersionByWordWithout("K-Lite Codec Pack", "64-bit"), "16.5");
    EXPECT_EQ(FindVersionInDisplayName("MiniTool Partition Wizard"), "12.8");
    EXPECT_EQ(GetProductCompany("QTA"), "QuickTime Alternative Team") << "without reading any file";
}

TEST(UninstallLookups, TheThirtyTwoBitViewOnlyForAThirtyTwoBitCopyOnSixtyFourBitWindows) {
    ScopedHives hives;
    hives.machine({
        Entry(kMachineUninstall, "n", {{"DisplayName", "Foo Player"}, {"DisplayVersion", "2.0"},
                                       {"InstallLocation", "/opt/n"}, {"Publisher", "Native Ltd"}}),
        Entry(kMachineUninstall32, "w", {{"DisplayName", "Foo Player"}, {"DisplayVersion", "3.0"},
                                         {"InstallLocation", "/opt/n"}, {"Publisher", "Wow Ltd"}}),
        Entry(kMachineUninstall32, "x", {{"DisplayName", "Bar Tool"}, {"DisplayVersion", "1.0"},
                                         {"InstallLocation", "/opt/x"}, {"Publisher", "Bar Ltd"}}),
        Entry(kMachineUninstall32, "y", {{"DisplayName", "Old Tool 1.5"}}),
        Entry(kMachineUninstall, "z", {{"DisplayName", "Old Tool 1.9"}}),
    });
    {
        ScopedWow64 native(false);  // a native process: the pass is never made
        EXPECT_EQ(FindInstalledVersion("Foo Player"), "2.0");
        EXPECT_EQ(FindInstalledVersion("Bar Tool"), "");
        EXPECT_EQ(FindUninstallPublisher("/opt/x"), "");
    }
    ScopedWow64 wow(true);
    EXPECT_EQ(FindInstalledVersion("Foo Player"), "3.0") << "the 32-bit view's version when newer";
    EXPECT_EQ(FindInstalledVersion("Bar Tool"), "1.0");
    EXPECT_EQ(FindUninstallPublisher("/opt/n"), "Native Ltd") << "the 32-bit view only when the native one is empty";
    EXPECT_EQ(FindUninstallPublisher("/opt/x"), "Bar Ltd");
    EXPECT_EQ(FindVersionInDisplayName("Old Tool"), "1.9") << "piece lookups take the 32-bit view only when newer";
    EXPECT_EQ(FindInstalledVersion("Foo Player", kWow6432NodeView), "3.0") << "an explicit view makes one pass";
}

TEST(UninstallLookups, UnreadableOrOddEntriesAreSkipped) {
    ScopedHives hives;
    std::string huge(100000, 'x');
    hives.machine({
        {std::string(kMachineUninstall) + "dword", {{"DisplayVersion", "9.0"}}, {{"DisplayName", 1}}},
        {std::string(kMachineUninstall) + "typed", {{"DisplayName", "Foo Tool"}}, {{"DisplayVersion", 0x0900}}},
        Entry(kMachineUninstall, "ctl", {{"DisplayName", "Foo Tool\x01\x02"}, {"DisplayVersion", "\x7f" "2.0"}}),
        Entry(kMachineUninstall, "huge", {{"DisplayName", "Foo Tool " + huge}, {"DisplayVersion", huge}}),
        Entry(kMachineUninstall, "parts", {{"DisplayName", "Foo Tool"}, {"DisplayVersion", "1.2.3.4.5.6.7.8.9.10"}}),
    });
    EXPECT_EQ(FindInstalledVersion("Foo Tool"), "1.2.3.4.5.6.7.8.9.10");
    EXPECT_EQ(FindNumberByNameContains("Foo Tool"), "");
    hives.machineText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\n\"a\"=\"unterminated");
    EXPECT_EQ(FindInstalledVersion("Foo Tool"), "");
    EXPECT_EQ(FindUninstallDisplayName("/opt"), "");
}

TEST(GetProductCompany, NwJsApplicationsTakeTheirInstallersPublisher) {
    TempDir dir;
    const std::string exe =
        dir.write("app/app.exe", BuildPeWithVersion(EncodeVersionInfo(VersionWithStrings(
                                     {{"CompanyName", "The NW.js Community"}, {"ProductName", "nwjs"}})))
                                     .bytes)
            .string();
    ScopedHives hives;
    EXPECT_EQ(GetProductCompany(exe), "The NW.js Community") << "no installer entry: the runtime's company stays";
    hives.machine({Entry(kMachineUninstall, "app",
                         {{"DisplayName", "Some App"}, {"InstallLocation", (dir.path() / "app").string()},
                          {"Publisher", "Some App Makers Ltd"}})});
    EXPECT_EQ(GetProductCompany(exe), "Some App Makers Ltd");
}
