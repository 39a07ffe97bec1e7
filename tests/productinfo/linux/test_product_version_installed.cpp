// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "productinfo/U_OrvoFct.h"
#include "testsupport/pe_builder.h"
#include "testsupport/registry_fixture.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

HiveKey Entry(const char* location, const std::string& sub, std::vector<std::pair<std::string, std::string>> values) {
    return {std::string(location) + sub, std::move(values), {}};
}

std::string VersionOf(std::string path, bool raw = false) { return GetProductVersion(path, {}, {}, raw); }

}  // namespace

TEST(InstalledVersions, SpecialIdentifiersFromUninstallEntriesWithoutAFile) {
    ScopedHives hives;
    hives.machine({
        Entry(kMachineUninstall, "a", {{"DisplayName", "QuickTime Alternative 3.2.2"}}),
        Entry(kMachineUninstall, "b", {{"DisplayName", "QuickTime Alternative 1.81"}}),
        Entry(kMachineUninstall, "k32", {{"DisplayName", "K-Lite Codec Pack 17.0 Standard"}, {"DisplayVersion", "17.0"}}),
        Entry(kMachineUninstall, "k64",
              {{"DisplayName", "K-Lite Codec Pack 16.1 (64-bit)"}, {"DisplayVersion", "16.1"}}),
        Entry(kMachineUninstall, "h", {{"DisplayName", "HashTab 6.0"}, {"DisplayVersion", "6.0.0.34"}}),
    });
    EXPECT_EQ(VersionOf("QTA", true), "3.2.2") << "the newest number among the display names";
    EXPECT_EQ(VersionOf("QTA"), "3.2.2.0");
    EXPECT_EQ(VersionOf("KLITE"), "17.0.0.0");
    EXPECT_EQ(VersionOf("KLITE64"), "16.1.0.0");
    EXPECT_EQ(VersionOf("HASHTAB"), "6.0.0.34");
    EXPECT_EQ(VersionOf("QTL"), "") << "not installed: empty, unchanged";

    // "OpenHashTab" contains "HashTab": once it is installed, HashTab's version is not taken from it.
    hives.machine({Entry(kMachineUninstall, "o", {{"DisplayName", "OpenHashTab"}, {"DisplayVersion", "3.0.4"}})});
    EXPECT_EQ(VersionOf("HASHTAB"), "");
    EXPECT_EQ(VersionOf("OPENHASHTAB"), "3.0.4.0");
}

TEST(InstalledVersions, ProductsWhoseInstallerKnowsBetter) {
    TempDir dir;
    auto pe = [&](const std::string& name, const std::string& product, std::uint32_t ms) {
        VersionInfoSpec spec = VersionWithStrings({{"ProductName", product}});
        spec.fileVersionMS = ms;
        return dir.write(name, BuildPeWithVersion(EncodeVersionInfo(spec)).bytes).string();
    };
    const std::string jd = pe("jd/JDownloader2.exe", "JDownloader", 1u << 16);
    const std::string unlocker = pe("unl/Unlocker.exe", "Unlocker", 1u << 16);
    ScopedHives hives;
    hives.machine({
        Entry(kMachineUninstall, "jd", {{"DisplayName", "JDownloader 2"}, {"DisplayVersion", "2.0"}}),
        Entry(kMachineUninstall, "u", {{"DisplayName", "Unlocker 1.9.2"}, {"DisplayVersion", "1.9.2"},
                                       {"InstallLocation", (dir.path() / "unl").string()}}),
    });
    EXPECT_EQ(VersionOf(jd), "2.0.0.0");
    dir.write("jd/build.json", "{\"buildId\":\"x\",\"JDownloaderRevision\":48123,\"AppWorkUtilsRevision\":1}\n");
    EXPECT_EQ(VersionOf(jd), "2.0.0.48123");
    dir.write("jd/build.json", "{\"JDownloaderRevision\":\"garbage\"}");
    EXPECT_EQ(VersionOf(jd), "2.0.0.0") << "a revision that is not a number reads as 0";
    EXPECT_EQ(VersionOf(unlocker), "1.9.2.0");

    // A DisplayVersion of any form: nothing breaks.
    hives.machine({Entry(kMachineUninstall, "u", {{"DisplayName", "Unlocker"}, {"DisplayVersion", "v1.9 beta (x64)"},
                                                  {"InstallLocation", (dir.path() / "unl").string()}})});
    EXPECT_EQ(VersionOf(unlocker), "1.0.0.0") << "not a dotted number: the file's own version";
}

TEST(InstalledVersions, TheTweakingSuiteRegistersPerUser) {
    ScopedHives hives;
    hives.user({Entry(kUserUninstall, "s", {{"DisplayName", "Windows 11 Manager"}, {"Publisher", "Yamicsoft"},
                                            {"DisplayVersion", "1.4.3"}}),
                Entry(kUserUninstall, "t", {{"DisplayName", "Windows 11 Manager"}, {"Publisher", "Other"},
                                            {"DisplayVersion", "9.9"}})});
    TempDir dir;
    VersionInfoSpec spec = VersionWithStrings({{"ProductName", "Windows 11 Manager"}, {"CompanyName", "Yamicsoft"}});
    spec.fileVersionMS = 1u << 16;
    std::string exe = dir.write("w/Windows11Manager.exe", BuildPeWithVersion(EncodeVersionInfo(spec)).bytes).string();
    EXPECT_EQ(GetProductVersion(exe, "Windows 11 Manager", "Yamicsoft"), "1.4.3.0");
}

TEST(InstalledVersions, FfdshowIsKnownByItsFilterFileOnly) {
    ScopedHives hives;
    hives.machine({Entry(kMachineUninstall, "f", {{"DisplayName", "ffdshow"}, {"DisplayVersion", "1.3.4500.0"}})});
    TempDir dir;
    auto pe = [&](const std::string& name, std::uint32_t ms) {
        VersionInfoSpec spec = VersionWithStrings({{"ProductName", "ffdshow"}});
        spec.fileVersionMS = ms;
        return dir.write(name, BuildPeWithVersion(EncodeVersionInfo(spec)).bytes).string();
    };
    EXPECT_EQ(VersionOf(pe("ffdshow/ffdshow.ax", 1u << 16)), "1.3.4500.0");
    EXPECT_EQ(VersionOf(pe("ffdshow/FFDSHOW.AX", 1u << 16)), "1.3.4500.0") << "any case";
    EXPECT_EQ(VersionOf(pe("ffdshow/ffdshowtool.exe", 5u << 16)), "5.0.0.0") << "a tool of the same product";
    EXPECT_EQ(VersionOf(pe("ffdshow/ffdshow.exe", 5u << 16)), "5.0.0.0") << "not the filter";
}

TEST(InstalledVersions, ScreencastOMaticFromItsEntryOrItsVersionFiles) {
    TempDir dir;
    VersionInfoSpec spec = VersionWithStrings({{"ProductName", "Screencast-O-Matic"}});
    spec.fileVersionMS = 1u << 16;
    const std::string exe =
        dir.write("som/V2/app/ScreenRecorder.exe", BuildPeWithVersion(EncodeVersionInfo(spec)).bytes).string();
    ScopedHives hives;
    EXPECT_EQ(VersionOf(exe), "1.0.0.0") << "neither source";

    dir.write("som/V2/jre/bin/version-x64.txt", "3.1.22\n");
    dir.write("som/V2/old/version-x64.txt", "v2.0\n");
    dir.write("som/V2/odd/version-x64.txt", "not a version\n");
    EXPECT_EQ(VersionOf(exe), "3.1.22.0") << "the newest of the files below the grandparent folder";
    dir.write("som/other/version-x64.txt", "9.0\n");
    EXPECT_EQ(VersionOf(exe), "3.1.22.0") << "beside the grandparent, not below it";

    hives.machine({Entry(kMachineUninstall, "s", {{"DisplayName", "Screencast-O-Matic v3.2"},
                                                  {"InstallLocation", (dir.path() / "som/V2/app").string()}})});
    EXPECT_EQ(VersionOf(exe), "3.2.0.0") << "the entry's version words when newer";
}
