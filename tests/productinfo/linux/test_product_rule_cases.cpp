// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The product rows' edge cases through the whole naming engine: version thresholds, folder
// witnesses, markers appended once, and files beside the executable that are folders, pipes,
// link loops, empty, too large, without line breaks or with NULs. Every case runs against
// empty registry hives of its own, so the machine's installed programs never count.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "productinfo/U_OrvoFct.h"
#include "productinfo/product_example_fixture.h"
#include "productinfo/product_rules.h"

using namespace vanto;
using namespace vanto::testing;
namespace fs = std::filesystem;
using namespace std::string_view_literals;

namespace {

struct Case {
    const char* what;
    ProductExample example;
};

void ExpectNames(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        TempDir dir;
        ScopedHives hives;
        EXPECT_EQ(GetProductName(BuildExample(dir, hives, c.example)), c.example.result) << c.what;
    }
}

// A case whose one sibling file is replaced by something that is not a readable file.
class OddSibling : public ::testing::Test {
protected:
    TempDir dir;
    ScopedHives hives;

    std::string Build(const ProductExample& ex) { return BuildExample(dir, hives, ex); }
    fs::path At(const std::string& relative) const { return dir.path() / relative; }
};

}  // namespace

TEST(ProductRules, DvdFlickTwoByItsInstalledVersion) {
    ExpectNames({
        {"the first build of version 2 is not newer than itself", {"dvdflick.exe", "D=DVD Flick|F=1.307.738.0", "DVD Flick"}},
        {"one build later", {"dvdflick.exe", "D=DVD Flick|F=1.307.738.1", "DVD Flick v2"}},
        {"an old release", {"dvdflick.exe", "D=DVD Flick|F=1.3.0.7", "DVD Flick"}},
        {"the name in any case", {"dvdflick.exe", "D=dvd flick|F=2.0.0.0", "DVD Flick v2"}},
    });
}

TEST(ProductRules, VersionDependentNames) {
    ExpectNames({
        {"Skype 7 is the classic client", {"Skype.exe", "P=Skype|V=7.99.0.0", "Skype Classic"}},
        {"Skype 8 is not", {"Skype.exe", "P=Skype|V=8.0.0.1", "Skype"}},
        {"a tax year at the top of its range", {"tt.exe", "P=TurboTax|F=2099.1", "TurboTax 2099"}},
        {"a major number that is no year", {"tt.exe", "P=TurboTax|F=2100.0", "TurboTax"}},
        {"no version at all", {"tt.exe", "P=TurboTax", "TurboTax"}},
        {"a version of thirty parts", {"tt.exe", "P=TurboTax|F=2021.1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16.17.18.19.20.21.22.23.24.25.26.27.28.29", "TurboTax 2021"}},
        {"a major number past 32 bits", {"tt.exe", "P=TurboTax|F=99999999999.1", "TurboTax"}},
        {"the publisher's year counts from its own start",
         {"stc.exe", "P=ReportTool|C=Akademische Arbeitsgemeinschaft Verlag|F=99.0", "ReportTool 2093"}},
        {"below its range", {"stc.exe", "P=ReportTool|C=Akademische Arbeitsgemeinschaft Verlag|F=25.9", "ReportTool"}},
        {"another publisher", {"stc.exe", "P=ReportTool|C=Other Verlag|F=30.0", "ReportTool"}},
        {"the release number, from the file version when the product version has none",
         {"mbae.exe", "P=Malwarebytes Anti-Exploit|V=1.13.1.0|F=1.13.2.0", "Malwarebytes Anti-Exploit Enterprise"}},
        {"appended once when both versions say so",
         {"mbae.exe", "P=Malwarebytes Anti-Exploit|V=1.13.2.0|F=1.13.2.0", "Malwarebytes Anti-Exploit Enterprise"}},
        {"EOS Utility keeps the number its rule appends", {"EOS.exe", "P=EOS Utility|V=3.1", "EOS Utility 3"}},
        {"and only that number", {"EOS.exe", "P=EOS Utility 3.15.10", "EOS Utility"}},
    });
    // A version text of any length costs nothing special.
    const std::string long_version = "F=" + std::string(100000, '9');
    TempDir dir;
    ScopedHives hives;
    const std::string fields = "P=TurboTax|" + long_version;
    EXPECT_EQ(GetProductName(BuildExample(dir, hives, {"tt.exe", fields, ""})), "TurboTax");
}

TEST(ProductRules, EdgeChannelsByFolder) {
    ExpectNames({
        {"beta", {"Microsoft/Edge Beta/Application/msedge.exe", "P=Microsoft Edge", "Microsoft Edge Beta"}},
        {"dev", {"Microsoft/Edge Dev/Application/msedge.exe", "P=Microsoft Edge", "Microsoft Edge Dev"}},
        {"canary", {"Microsoft/Edge SxS/Application/msedge.exe", "P=Microsoft Edge", "Microsoft Edge Canary"}},
        {"stable", {"Microsoft/Edge/Application/msedge.exe", "P=Microsoft Edge", "Microsoft Edge"}},
        {"the folder, not the file name", {"Tools/Edge Beta.exe", "P=Microsoft Edge", "Microsoft Edge"}},
    });
}

TEST(ProductRules, FirefoxEsrMarkedOnce) {
    constexpr const char* kEsr = "update-settings.ini=[Settings]\nACCEPTED_MAR_CHANNEL_IDS=firefox-mozilla-esr";
    ExpectNames({
        {"both witnesses hold: one marker",
         {"firefox.exe", "P=Mozilla Firefox|C=Mozilla Corporation", "Mozilla Firefox (ESR)", kEsr}},
        {"the release channel", {"firefox.exe", "P=Mozilla Firefox|C=Mozilla Corporation", "Mozilla Firefox",
                                 "update-settings.ini=[Settings]\nACCEPTED_MAR_CHANNEL_IDS=firefox-mozilla-release"}},
        {"no update settings", {"firefox.exe", "P=Mozilla Firefox|C=Mozilla Corporation", "Mozilla Firefox"}},
        {"found below the folder",
         {"firefox.exe", "P=Firefox|C=Mozilla", "Firefox (ESR)", "App/Firefox/update-settings.ini=esr"}},
        {"the folder's own file comes first",
         {"firefox.exe", "P=Firefox|C=Mozilla", "Firefox",
          "update-settings.ini=[Settings]|App/Firefox/update-settings.ini=esr"}},
        {"too deep below the folder", {"firefox.exe", "P=Firefox|C=Mozilla", "Firefox", "a/b/c/d/e/update-settings.ini=esr"}},
        {"neither witness", {"browser.exe", "P=Web Browser", "Web Browser", kEsr}},
    });
}

TEST(ProductRules, NodeMarkersComeFromTheChangelogOnly) {
    constexpr const char* kLts = "CHANGELOG.md=<a href=\"doc/changelogs/CHANGELOG_V20.md\">20</a> (LTS)</th>";
    ExpectNames({
        {"a long-term line", {"node.exe", "P=Node.js|V=20.11.0", "Node.js (LTS)",
                              "CHANGELOG.md=# Node.js\r\n<table>\r\n<th><a href=\"doc/changelogs/CHANGELOG_V20.md\">20</a> (LTS)</th>\r\n"}},
        {"a current line", {"node.exe", "P=Node.js|V=21.6.1", "Node.js (Current)",
                            "CHANGELOG.md=x\n<a href=\"doc/changelogs/CHANGELOG_V21.md\">21</a><sup>Current</sup>\n"
                            "<a href=\"doc/changelogs/CHANGELOG_V21.md\">21</a><sup>LTS</sup>"}},
        {"another major's line", {"node.exe", "P=Node.js|V=18.0.0", "Node.js", kLts}},
        {"a base name other than node, with a changelog", {"nodejs.exe", "P=Node.js|V=20.1.0", "Node.js (LTS)", kLts}},
        {"a base name other than node, without one", {"nodejs.exe", "P=Node.js|V=20.1.0", "Node.js"}},
        {"one line without line breaks", {"node.exe", "P=Node.js|V=20.0.0", "Node.js (LTS)", kLts}},
        {"a NUL before the header", {"node.exe", "P=Node.js|V=20.0.0", "Node.js (LTS)",
                                     "CHANGELOG.md=20.0.0\0<a href=\"CHANGELOG_V20.md\">20</a><sup>LTS</sup>"sv}},
        {"two majors on one line: the header's own ending",
         {"node.exe", "P=Node.js|V=20.1.0", "Node.js (Current)",
          "CHANGELOG.md=<a href=\"CHANGELOG_V20.md\">20</a> (Current)</th><a href=\"CHANGELOG_V18.md\">18</a> (LTS)</th>"}},
        {"an ending apart from the header", {"node.exe", "P=Node.js|V=20.1.0", "Node.js",
                                             "CHANGELOG.md=<a href=\"CHANGELOG_V20.md\">20</a> <b>x</b></a><sup>LTS</sup>"}},
        {"the name in any case", {"node.exe", "P=node.js|V=20.1.0", "node.js (LTS)", kLts}},
    });
}

TEST(ProductRules, NodeWithoutChangelogIsNeverRun) {
    // The file is a PE whose tail is also a shell script: started in any way, directly or
    // through a shell, it would leave a marker file behind.
    TempDir dir;
    ScopedHives hives;
    const fs::path marker = dir.path() / "ran";
    const std::string script = "<self>=\ntouch '" + marker.string() + "'\nexit 0\n";
    for (const char* name : {"node", "node.exe"}) {
        const std::string exe = BuildExample(dir, hives, {name, "P=Node.js|V=20.1.0", "", script});
        ::chmod(exe.c_str(), 0755);
        EXPECT_EQ(GetProductName(exe), "Node.js") << name;
    }
    EXPECT_FALSE(fs::exists(marker)) << "the executable was started";
}

TEST(ProductRules, BleachBitAndItsPortableCopy) {
    ExpectNames({
        {"installed", {"bleachbit.exe", "", "BleachBit"}},
        {"any case of the name", {"BLEACHBIT_console.exe", "", "BleachBit"}},
        {"from the version strings", {"bb.exe", "P=bleachbit", "BleachBit"}},
        {"portable", {"bleachbit.exe", "", "BleachBit Portable", "BleachBit.ini=[Portable]"}},
        {"an empty ini still marks it portable", {"bleachbit.exe", "", "BleachBit Portable", "BleachBit.ini="}},
    });
}

TEST(ProductRules, SkypeClassicAndOtherRenames) {
    ExpectNames({
        {"Thunderbird is matched with its case", {"tb.exe", "P=mozilla thunderbird", "mozilla thunderbird"}},
        {"Adobe CS names keep the words before CS", {"ai.exe", "P=Adobe Illustrator CS6 Portable", "Adobe Illustrator"}},
        {"two words are left alone", {"cs.exe", "P=Adobe CSXS", "Adobe CSXS"}},
        {"SoftPerfect is not put in front twice", {"ram.exe", "P=SoftPerfect RAM Disk|C=SoftPerfect", "SoftPerfect RAM Disk"}},
        {"Steuer names", {"s.exe", "P=Steuer:Sparer Steuer:Plus", "Steuer-Sparer Steuer-Plus"}},
        {"a launcher named after a folder without an extension", {"Galaxy/AbLauncher.exe", "P=AbLauncher", "Galaxy"}},
    });
}

TEST(ProductRules, UninstallEntriesOfAnyForm) {
    ExpectNames({
        {"the generation of the installed version", {"waterfox.exe", "P=Waterfox", "Waterfox G5",
                                                     "", "DisplayName=Waterfox;DisplayVersion=G5.1.2;InstallLocation={dir}"}},
        {"a generation in the display name only", {"waterfox.exe", "P=Waterfox", "Waterfox",
                                                   "", "DisplayName=Waterfox G5.1.2 (x64 en-US);InstallLocation={dir}"}},
        {"a generation without a dot", {"waterfox.exe", "P=Waterfox", "Waterfox",
                                        "", "DisplayName=Waterfox;DisplayVersion=G6;InstallLocation={dir}"}},
        {"a version without a generation", {"waterfox.exe", "P=Waterfox", "Waterfox",
                                            "", "DisplayName=Waterfox;DisplayVersion=6.0.1;InstallLocation={dir}"}},
        {"another folder's entry", {"waterfox.exe", "P=Waterfox", "Waterfox",
                                    "", "DisplayName=Waterfox G6.0;InstallLocation=/elsewhere/"}},
        {"a display name of one word", {"waterfox.exe", "P=Waterfox", "Waterfox", "", "DisplayName=Waterfox;InstallLocation={dir}"}},
        {"an entry without a display name", {"mbam.exe", "P=Malwarebytes Anti-Malware", "Malwarebytes Anti-Malware Portable",
                                             "", "DisplayVersion=1.0"}},
        {"installed", {"mbam.exe", "P=Malwarebytes Anti-Malware", "Malwarebytes Anti-Malware",
                       "", "DisplayName=Malwarebytes Anti-Malware 4.5"}},
        {"both Macrium editions listed: the later check wins", {"Reflect.exe", "P=Macrium Reflect", "Macrium Reflect Free",
                                                                "", "DisplayName=Macrium Reflect Free|DisplayName=Macrium Reflect Home"}},
        {"neither", {"Reflect.exe", "P=Macrium Reflect", "Macrium Reflect", "", "DisplayName=Macrium Site Manager"}},
        {"the Home check is for the bare name only", {"Reflect.exe", "P=Macrium Reflect Workstation", "Macrium Reflect Workstation",
                                                      "", "DisplayName=Macrium Reflect Home"}},
        {"novaPDF without doPDF", {"novaPDF 11/Startup.exe", "P=Startup", "novaPDF", "", "DisplayName=novaPDF 11"}},
        {"novaPDF's helper with a company", {"novaPDF/Startup.exe", "P=Startup|C=Softland", "Startup"}},
    });
}

TEST(ProductRules, ReadmeEditionsAndOwnContent) {
    ExpectNames({
        {"the last edition line wins", {"cpuz.exe", "P=CPU-Z", "CPU-Z Gigabyte Edition",
                                        "a_cpuz_readme.txt=ROG CPU-Z Readme file\nGigabyte CPU-Z Readme file"}},
        {"a readme without edition", {"cpuz.exe", "P=CPU-Z", "CPU-Z", "cpuz_readme.txt= CPU-Z Readme file\nnothing"}},
        {"another file name", {"cpuz.exe", "P=CPU-Z", "CPU-Z", "readme.txt=ROG CPU-Z Readme file"}},
        {"the edition ends at a NUL", {"cpuz.exe", "P=CPU-Z", "CPU-Z ROG Edition",
                                       "cpuz_readme.txt=ROG\0junk CPU-Z Readme file"sv}},
        {"the enhanced build's text", {"qbittorrent.exe", "P=qBittorrent", "qBittorrent Enhanced Edition",
                                       "<self>=...qBittorrent Enhanced Edition..."}},
        {"the text is compared with its case", {"qbittorrent.exe", "P=qBittorrent", "qBittorrent",
                                                "<self>=qbittorrent enhanced edition"}},
        {"another base name is not read", {"qbt.exe", "P=qBittorrent", "qBittorrent",
                                           "<self>=qBittorrent Enhanced Edition"}},
    });
}

TEST(ProductRules, PublisherDomainsAreCutFromTheEnd) {
    ExpectNames({
        {"a bare domain", {"t.exe", "D=Foo Tool quillsoft.org", "Foo Tool"}},
        {"with www", {"t.exe", "D=Foo Tool www.quillsoft.org", "Foo Tool"}},
        {"any case", {"t.exe", "D=Foo Tool KESTRELWARE.NET", "Foo Tool"}},
        {"not in the middle", {"t.exe", "D=Foo quillsoft.org Tool", "Foo quillsoft.org Tool"}},
        {"an unknown domain", {"t.exe", "D=Foo Tool unknown.example", "Foo Tool unknown.example"}},
    });
}

TEST_F(OddSibling, ASiblingThatIsAFolderCountsAsAbsent) {
    const std::string exe = Build({"egui.exe", "D=ESET Security", ""});
    fs::create_directories(At("SecurityProductInformation.ini"));
    fs::create_directories(At("BleachBit.ini"));
    fs::create_directories(At("CHANGELOG.md"));
    EXPECT_EQ(GetProductName(exe), "ESET Security");
    EXPECT_EQ(GetProductName(Build({"bleachbit.exe", "", ""})), "BleachBit");
    EXPECT_EQ(GetProductName(Build({"node.exe", "P=Node.js|V=20.0", ""})), "Node.js");
}

TEST_F(OddSibling, APipeIsNeverOpenedForReading) {
    // A pipe without a writer would block a reader for ever.
    const std::string exe = Build({"egui.exe", "D=ESET Security", ""});
    ASSERT_EQ(::mkfifo(At("SecurityProductInformation.ini").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(At("BleachBit.ini").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(At("update-settings.ini").c_str(), 0600), 0);
    EXPECT_EQ(GetProductName(exe), "ESET Security");
    EXPECT_EQ(GetProductName(Build({"bleachbit.exe", "", ""})), "BleachBit");
    EXPECT_EQ(GetProductName(Build({"firefox.exe", "P=Firefox|C=Mozilla", ""})), "Firefox");
}

TEST_F(OddSibling, LinkLoopsAreNeitherFilesNorFoldersToWalk) {
    fs::create_symlink("b.ini", At("SecurityProductInformation.ini"));
    fs::create_symlink("SecurityProductInformation.ini", At("b.ini"));
    // A folder that links to its parent: a walk that followed it would never end.
    fs::create_directories(At("App"));
    fs::create_directory_symlink(dir.path(), At("App/loop"));
    EXPECT_EQ(GetProductName(Build({"egui.exe", "D=ESET Security", ""})), "ESET Security");
    EXPECT_EQ(GetProductName(Build({"firefox.exe", "P=Firefox|C=Mozilla", ""})), "Firefox");
}

TEST_F(OddSibling, EmptyHugeAndUnterminatedFiles) {
    const std::string exe = Build({"egui.exe", "D=ESET Security", ""});
    dir.write("SecurityProductInformation.ini", "");
    EXPECT_EQ(GetProductName(exe), "ESET Security") << "empty";

    dir.write("SecurityProductInformation.ini", "Name=ESET Small Office Security");
    EXPECT_EQ(GetProductName(exe), "ESET Small Office Security") << "one line without a line break";

    dir.write("SecurityProductInformation.ini", "Code=1\0\0\nName=ESET Office\0Security\r\n"sv);
    EXPECT_EQ(GetProductName(exe), "ESET Office") << "a NUL ends the name";

    // Past the size bound the file counts as absent, even with the name in its first line.
    {
        std::string big = "Name=ESET Huge Security\n";
        big.resize(kMaxSiblingTextBytes + 1, 'x');
        dir.write("SecurityProductInformation.ini", big);
    }
    EXPECT_EQ(GetProductName(exe), "ESET Security") << "too large";

    // A sparse file of 3 GB: never read, only its size looked at.
    {
        const fs::path p = At("CHANGELOG.md");
        dir.write("CHANGELOG.md", "");
        fs::resize_file(p, std::uintmax_t{3} << 30);
        EXPECT_EQ(GetProductName(Build({"node.exe", "P=Node.js|V=20.0", ""})), "Node.js");
    }
}

TEST_F(OddSibling, AnUnreadableSiblingCountsAsAbsent) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    const std::string exe = Build({"egui.exe", "D=ESET Security", "SecurityProductInformation.ini=Name=ESET X"});
    ::chmod(At("SecurityProductInformation.ini").c_str(), 0);
    EXPECT_EQ(GetProductName(exe), "ESET Security");
}

TEST(ProductRules, BareNamesHaveNoSiblings) {
    // A name without a folder must not look in the working folder.
    TempDir dir;
    ScopedHives hives;
    dir.write("BleachBit.ini", "[Portable]");
    const fs::path old = fs::current_path();
    fs::current_path(dir.path());
    const std::string name = GetProductName("bleachbit");
    fs::current_path(old);
    EXPECT_EQ(name, "BleachBit");
}

TEST(ProductRules, NwjsApplicationsByTheEntryOfTheirFolder) {
    ExpectNames({
        {"no entry for the folder", {"app/game.exe", "P=nwjs|C=The NW.js Community", "nwjs",
                                     "", "DisplayName=Other Game;InstallLocation=/elsewhere/"}},
        {"the shell's own files elsewhere", {"app/game.exe", "P=nwjs|C=Other Community", "nwjs",
                                             "", "DisplayName=Star Garden;InstallLocation={dir}"}},
    });
}
