// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "productinfo/U_OrvoFct.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "productinfo/product_rules.h"
#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

using namespace vanto;
using namespace vanto::testing;

namespace {

using Strings = std::vector<std::pair<std::string, std::string>>;

// A PE file `name` in `dir` whose version resource holds `strings`.
std::string WritePe(const TempDir& dir, const std::string& name, const Strings& strings, bool pe32plus = false,
                    std::uint32_t fileVersionMS = 0, std::uint32_t fileVersionLS = 0) {
    VersionInfoSpec spec = VersionWithStrings(strings);
    spec.fileVersionMS = fileVersionMS;
    spec.fileVersionLS = fileVersionLS;
    return dir.write(name, BuildPeWithVersion(EncodeVersionInfo(spec), pe32plus).bytes).string();
}

// A PE file without any version resource.
std::string WriteBarePe(const TempDir& dir, const std::string& name, bool pe32plus = false) {
    PeSpec spec;
    spec.pe32plus = pe32plus;
    return dir.write(name, BuildPe(spec).bytes).string();
}

struct NameCase {
    const char* what;
    Strings strings;
    std::string file;  // file name; "tool.exe" when empty
    std::string expected;
};

void ExpectNames(const std::vector<NameCase>& cases) {
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = WritePe(dir, c.file.empty() ? "tool.exe" : c.file, c.strings);
        EXPECT_EQ(GetProductName(path), c.expected) << c.what;
    }
}

}  // namespace

TEST(SpecialProductIds, MatchExactlyAndOnlyInUpperCase) {
    EXPECT_EQ(GetProductName("CCCP"), "Combined Community Codec Pack");
    EXPECT_EQ(GetProductName("KLITE64"), "K-Lite Codec Pack (64-Bits)");
    EXPECT_EQ(GetProductName("QTTABBAR"), "QtTabBar");
    // Anything else is a path: a missing file is named after its base name.
    EXPECT_EQ(GetProductName("cccp"), "cccp");
    EXPECT_EQ(GetProductName("CCCP.exe"), "CCCP");
    EXPECT_EQ(GetProductName("/nowhere/KLITE"), "KLITE");
}

TEST(GetProductName, ChoosesTheBaseText) {
    ExpectNames({
        {"description begins with the product name",
         {{"FileDescription", "Foo Bar"}, {"ProductName", "Foo"}},
         "",
         "Foo"},
        {"description says something else", {{"FileDescription", "Bar Foo"}, {"ProductName", "Foo"}}, "", "Bar Foo"},
        {"the begins-with test is case-sensitive",
         {{"FileDescription", "foo bar"}, {"ProductName", "Foo"}},
         "",
         "foo bar"},
        {"four-word product name is taken",
         {{"FileDescription", "Something Else"}, {"ProductName", "Alpha Beta Gamma Delta"}},
         "",
         "Alpha Beta Gamma Delta"},
        {"five-word product name (np 5) is not taken",
         {{"FileDescription", "Something Else"}, {"ProductName", "Alpha Beta Gamma Delta Epsilon"}},
         "",
         "Something Else"},
        {"a description with a parenthesis loses to the product name",
         {{"FileDescription", "Bar (beta) build"}, {"ProductName", "Foo Pro"}},
         "",
         "Foo Pro"},
        {"\" - \" counts as one separator",
         {{"FileDescription", "Bar - Foo - Baz"}, {"ProductName", "Foo"}},
         "",
         "Bar - Foo - Baz"},
        {"nd 4 and the product name is the base name",
         {{"FileDescription", "One Two Three Four"}, {"ProductName", "tool"}},
         "tool.exe",
         "tool"},
        {"nd 4 and another product name",
         {{"FileDescription", "One Two Three Four"}, {"ProductName", "tool"}},
         "other.exe",
         "One Two Three Four"},
        {"nd 5 never takes the description",
         {{"FileDescription", "One Two Three Four Five"}, {"ProductName", "Foo"}},
         "",
         "Foo"},
        {"updater takes the description",
         {{"FileDescription", "Foo Updater"}, {"ProductName", "Foo"}},
         "updater.exe",
         "Foo Updater"},
        {"more than five spaces: the internal name",
         {{"FileDescription", "a b c d e f g"}, {"InternalName", "tool internal"}},
         "",
         "tool internal"},
        {"five spaces are still fine",
         {{"FileDescription", "a b c d e f"}, {"InternalName", "tool internal"}},
         "",
         "a b c d e f"},
        {"only an internal name", {{"InternalName", "Internal"}}, "", "Internal"},
        {"nothing usable: the base name", {{"Comments", "no names here"}}, "My Tool.exe", "My Tool"},
    });
}

TEST(GetProductName, RegisteredSignInTheProductNameLetsTheDescriptionWin) {
    // UTF-8 is the 8-bit text of Linux; elsewhere the sign is the code page's.
    TempDir dir;
    const std::string path =
        WritePe(dir, "tool.exe", {{"FileDescription", "Foo Suite Tool (x)"}, {"ProductName", "Foo\u00AE Suite"}});
    const std::string name = GetProductName(path);
#ifndef _WIN32
    EXPECT_EQ(name, "Foo Suite Tool (x)");
#else
    EXPECT_FALSE(name.empty());
#endif
}

TEST(GetProductName, RemovesVersionWordsWithTheirExceptions) {
    ExpectNames({
        {"dotted number", {{"FileDescription", "Tool 2.5"}}, "", "Tool"},
        {"a year stays", {{"FileDescription", "Tool 2010"}}, "", "Tool 2010"},
        {"v and a number", {{"FileDescription", "Tool v3"}}, "", "Tool"},
        {"three parts", {{"FileDescription", "Tool 3.0.1"}}, "", "Tool"},
        {"short number", {{"FileDescription", "Tool 10"}}, "", "Tool"},
        {"a letter first stays", {{"FileDescription", "Tool X5"}}, "", "Tool X5"},
        {"only the last word goes", {{"FileDescription", "Tool 2 Pro"}}, "", "Tool 2 Pro"},
        {"DVD Flick v2 stays", {{"FileDescription", "DVD Flick v2"}}, "", "DVD Flick v2"},
        {"other DVD Flick versions go", {{"FileDescription", "DVD Flick v3"}}, "", "DVD Flick"},
        {"Dimension keeps its number", {{"FileDescription", "Dimension 4"}}, "", "Dimension 4"},
        {"FixWin carries the major file version",
         {{"FileDescription", "FixWin 2.2"}, {"ProductName", "FixWin"}, {"FileVersion", "10.2.0.0"}},
         "",
         "FixWin 10"},
        {"Ultimate Windows Tweaker likewise",
         {{"ProductName", "Ultimate Windows Tweaker 4.8"}, {"FileVersion", "4, 8, 0, 0"}},
         "",
         "Ultimate Windows Tweaker 4"},
        {"WinMerge 2011", {{"FileDescription", "WinMerge"}, {"ProductVersion", "2011.004.373"}}, "", "WinMerge 2011"},
        {"WinMerge 2011 with a leading zero",
         {{"FileDescription", "WinMerge"}, {"ProductVersion", "0.2011.1"}},
         "",
         "WinMerge 2011"},
        {"other WinMerge", {{"FileDescription", "WinMerge"}, {"ProductVersion", "2.16.0"}}, "", "WinMerge"},
    });
}

TEST(GetProductName, CleansBitnessMarksSignsAndPunctuation) {
    ExpectNames({
        {"bitness in brackets at the end", {{"FileDescription", "Tool (64-bit)"}}, "", "Tool"},
        {"bitness in brackets, more after", {{"FileDescription", "Tool (64-bit) Pro"}}, "", "Tool (64-bit) Pro"},
        {"32 bit in brackets", {{"FileDescription", "Tool (32 bit)"}}, "", "Tool"},
        {"a 4dots prefix", {{"FileDescription", "_4dotsTool"}}, "", "Tool"},
        {"(tm) word", {{"FileDescription", "Foo Bar(tm)"}}, "", "Foo"},
        {"trade-mark sign", {{"FileDescription", "Tool\u2122 Pro"}}, "", "Tool Pro"},
        {"trailing full stop", {{"FileDescription", "Tool Inc."}}, "", "Tool Inc"},
        {"file name extension", {{"FileDescription", "Foo.exe"}}, "", "Foo"},
        {"Application", {{"FileDescription", "Foo Application"}}, "", "Foo"},
        {"main executable", {{"FileDescription", "Foo main executable"}}, "", "Foo"},
        {"leading bitness", {{"FileDescription", "64-Bit Foo"}}, "", "Foo"},
        {"quotes", {{"FileDescription", "\"Foo Tool\""}}, "", "Foo Tool"},
        {"ShInstUtil", {{"FileDescription", "ShInstUtil - Foo"}}, "", "Foo"},
        {"for Windows", {{"FileDescription", "Foo for Windows"}}, "", "Foo"},
        {"for Windows NT/2000/XP/Vista", {{"FileDescription", "Foo for Windows NT/2000/XP/Vista"}}, "", "Foo"},
        {"executable", {{"FileDescription", "Foo executable"}}, "", "Foo"},
        {"64bit", {{"FileDescription", "Foo 64bit"}}, "", "Foo"},
        {"two web addresses", {{"FileDescription", "Foo Tool http://example.com https://example.org"}}, "", "Foo Tool"},
        {"a trailing dash after an address", {{"FileDescription", "Foo http://example.com -"}}, "", "Foo"},
        {"all removed: the base name", {{"FileDescription", "Application"}}, "tool.exe", "tool"},
    });
}

TEST(GetProductName, GarbageEndsEmpty) {
    ExpectNames({
        {"a name beginning with $", {{"FileDescription", "$Tool"}}, "", ""},
        {"a name with ??", {{"FileDescription", "Tool ?? Pro"}}, "", ""},
        {"a lone ? is cleaned away, leaving the base name", {{"FileDescription", "?"}}, "tool.exe", "tool"},
        {"a file named $x", {}, "$x.exe", ""},
    });
#ifndef _WIN32
    // Only a base name can still be a lone "?" at the end ("?" is no file name on Windows).
    ExpectNames({{"a file named ?", {}, "?.exe", ""}});
#endif
}

TEST(GetProductName, MarksInstallers) {
    ExpectNames({
        {"setup: three witnesses",
         {{"FileDescription", "Foo Setup"},
          {"ProductName", "Foo"},
          {"OriginalFilename", "setup.exe"},
          {"InternalName", "setup"}},
         "",
         "Foo installer installer installer"},
        {"a description that says installer",
         {{"FileDescription", "Foo Installer"}, {"ProductName", "Foo"}},
         "",
         "Foo Installer"},
        {"install at the beginning",
         {{"FileDescription", "Install Foo"}, {"ProductName", "Foo"}},
         "",
         "Install Foo installer"},
        {"bootstrapper", {{"ProductName", "Foo"}, {"OriginalFilename", "Bootstrapper.exe"}}, "", "Foo installer"},
    });
}

TEST(GetProductName, AuslogicsQuestionMarks) {
    ExpectNames({
        {"Auslogics", {{"FileDescription", "Disk?Defrag"}, {"CompanyName", "Aus?logics"}}, "", "DiskDefrag"},
        {"someone else", {{"FileDescription", "Disk?Defrag"}, {"CompanyName", "Other"}}, "", "Disk?Defrag"},
    });
}

TEST(GetProductName, SixtyFourBitImagesEndInOneMarker) {
    struct Case {
        std::string description;
        bool pe32plus;
        std::string expected;
    } cases[] = {
        {"Tool x64", true, "Tool (64 bits)"},
        {"Tool x64", false, "Tool x64"},
        {"Tool (64 bits)", true, "Tool (64 bits)"},
        {"Tool", true, "Tool (64 bits)"},
        {"Tool", false, "Tool"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = WritePe(dir, "tool.exe", {{"FileDescription", c.description}}, c.pe32plus);
        EXPECT_EQ(GetProductName(path), c.expected) << c.description << (c.pe32plus ? " PE32+" : " PE32");
    }
    TempDir dir;
    EXPECT_EQ(GetProductName(WriteBarePe(dir, "bare64.exe", true)), "bare64 (64 bits)");
}

TEST(GetProductName, FlashPlayerPluginOf64BitsByItsFileName) {
    TempDir dir;
    const Strings strings = {{"FileDescription", "Adobe Flash Player for Firefox"}};
    const std::uint32_t ms = (32u << 16) | 0u, ls = (0u << 16) | 171u;
    EXPECT_EQ(GetProductName(WritePe(dir, "NPSWF64_32_0_0_171.dll", strings, false, ms, ls)),
              "Adobe Flash Player for Firefox (64 bits)");
    EXPECT_EQ(GetProductName(WritePe(dir, "NPSWF32_32_0_0_171.dll", strings, false, ms, ls)),
              "Adobe Flash Player for Firefox");
}

TEST(GetProductName, EarlyResultsByFileAlone) {
    TempDir dir;
    EXPECT_EQ(GetProductName(WriteBarePe(dir, "gs9.54/bin/gswin32.exe")), "GPL Ghostscript");
    EXPECT_EQ(GetProductName(WriteBarePe(dir, "tools/bin/gswin32.exe")), "gswin32");
    EXPECT_EQ(GetProductName(WriteBarePe(dir, "x/NSIS.exe")), "NSIS");
    EXPECT_EQ(GetProductName(WriteBarePe(dir, "Exact Audio Copy/EAC.exe")), "Exact Audio Copy");
    EXPECT_EQ(GetProductName(WriteBarePe(dir, "Other/EAC.exe")), "EAC");
    // Only when the version resource gave nothing.
    EXPECT_EQ(GetProductName(WritePe(dir, "y/nsis.exe", {{"FileDescription", "Nullsoft Install"}})),
              "Nullsoft Install");
}

TEST(GetProductName, AirApplicationNamedFromItsManifest) {
    struct Case {
        const char* what;
        std::string manifest;
        std::string expected;
    } cases[] = {
        {"name element", "<?xml version=\"1.0\"?>\r\n<application>\r\n  <name>My Air App</name>\r\n</application>\r\n",
         "My Air App"},
        {"filename when name is a placeholder",
         "<application>\n<name>App name goes here</name>\n<filename>AirTool</filename>\n</application>\n", "AirTool"},
        {"a commented-out element counts", "<application>\n<!-- <name>Old Name</name> -->\n</application>\n",
         "Old Name"},
        {"no element: the base name", "<application/>\n", "runner"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.write("META-INF/AIR/application.xml", c.manifest);
        EXPECT_EQ(GetProductName(WriteBarePe(dir, "runner.exe")), c.expected) << c.what;
    }
    // A manifest too large to be a manifest is not read: it counts as absent.
    {
        TempDir big;
        big.write("META-INF/AIR/application.xml", "<name>Huge</name>\n" + std::string(kMaxSiblingTextBytes, ' '));
        EXPECT_EQ(GetProductName(WriteBarePe(big, "runner.exe")), "runner");
    }
    // A version resource with a name wins over the manifest.
    TempDir dir;
    dir.write("META-INF/AIR/application.xml", "<name>Manifest</name>\n");
    EXPECT_EQ(GetProductName(WritePe(dir, "runner.exe", {{"FileDescription", "Resource Name"}})), "Resource Name");
}

TEST(GetProductName, MissingAndNonExecutableFilesAreNamedByTheirBaseName) {
    TempDir dir;
    EXPECT_EQ(GetProductName((dir.path() / "missing.exe").string()), "missing");
    EXPECT_EQ(GetProductName(dir.write("notes.txt", "just text\n").string()), "notes");
    EXPECT_EQ(GetProductName(dir.write("empty.exe", "").string()), "empty");
    EXPECT_EQ(GetProductName("C:\\Program Files\\Foo\\foo.exe"), "foo");
    EXPECT_EQ(GetProductName(""), "");
}

TEST(ReadVersionInfo, FillsTheEightFieldsAndNormalisesVersionCommas) {
    TempDir dir;
    const std::string path = WritePe(dir, "a.exe",
                                     {{"FileDescription", "Desc"},
                                      {"CompanyName", "Company"},
                                      {"FileVersion", "1, 2, 3, 4"},
                                      {"InternalName", "internal"},
                                      {"LegalCopyright", "(c) someone"},
                                      {"OriginalFilename", "orig.exe"},
                                      {"ProductName", "Product"},
                                      {"ProductVersion", "5, 6"}});
    FileVersionInfoRec expected{"Desc", "Company", "1.2.3.4", "internal", "(c) someone", "orig.exe", "Product", "5.6"};
    EXPECT_EQ(ReadVersionInfo(path), expected);
    EXPECT_EQ(ReadVersionInfo((dir.path() / "missing.exe").string()), FileVersionInfoRec{});
    EXPECT_EQ(ReadVersionInfo(dir.write("plain.txt", "MZ but nothing else").string()), FileVersionInfoRec{});
}

TEST(ReadVersionInfo, KeepsTheNamesOfATableThatDoesNotMatchItsTranslation) {
    // Only a product name, in a British table under a US translation: the fallback finds no
    // table of that translation and must not wipe what the first table gave.
    TempDir dir;
    VersionInfoSpec spec;
    spec.tables = {VersionTableSpec{"080904b0", {{"ProductName", "Brit Tool"}}}};
    const std::string path = dir.write("b.exe", BuildPeWithVersion(EncodeVersionInfo(spec)).bytes).string();
    EXPECT_EQ(ReadVersionInfo(path).ProductName, "Brit Tool");
    EXPECT_EQ(GetProductName(path), "Brit Tool");

    spec.withVarFileInfo = false;
    const std::string path2 = dir.write("c.exe", BuildPeWithVersion(EncodeVersionInfo(spec)).bytes).string();
    EXPECT_EQ(ReadVersionInfo(path2).ProductName, "Brit Tool");
}

TEST(IsPEImage, TellsBitnessAndRejectsShortFiles) {
    TempDir dir;
    bool is64 = true;
    EXPECT_TRUE(IsPEImage(WriteBarePe(dir, "a32.exe"), is64));
    EXPECT_FALSE(is64);
    EXPECT_TRUE(IsPEImage(WriteBarePe(dir, "a64.exe", true), is64));
    EXPECT_TRUE(is64);

    const Bytes full = BuildPe(PeSpec{}).bytes;
    const PeFile layout = BuildPe(PeSpec{});
    for (std::size_t cut : {std::size_t{0}, std::size_t{2}, std::size_t{0x3C}, std::size_t{0x40}, layout.ntHeaders,
                            layout.ntHeaders + 4, layout.ntHeaders + 100}) {
        const Bytes part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        is64 = true;
        EXPECT_FALSE(IsPEImage(dir.write("cut.exe", part).string(), is64)) << cut;
        EXPECT_FALSE(is64) << cut;
    }
    Bytes bad = full;
    Put32(bad, 0x3C, 0xFFFFFFF0u);  // new-header offset past the end
    EXPECT_FALSE(IsPEImage(dir.write("bad.exe", bad).string(), is64));
    EXPECT_FALSE(IsPEImage(dir.write("elf", BuildElf(ElfSpec{}).bytes).string(), is64));
    EXPECT_FALSE(IsPEImage("", is64));
    EXPECT_FALSE(IsPEImage((dir.path() / "missing.exe").string(), is64));
}

TEST(CleanProductName, RepeatsUntilNothingChanges) {
    const std::pair<std::string, std::string> cases[] = {
        {"Foo http://a.example https://b.example", "Foo"},
        {"Foo https://b.example http://a.example", "Foo"},
        {"?Foo", "Foo"},
        {"Foo -", "Foo"},
        {"Foo - -", "Foo"},
        {"Foo http://a.example -", "Foo"},
        {"@", ""},
        {"  Foo  ", "Foo"},
        {"http://only.example", "http://only.example"},
        {"Foo-Bar", "Foo-Bar"},
        {"", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(CleanProductName(in), out) << in;
}

TEST(GetXmlTagValue, LastLineWinsAndCommentsCount) {
    EXPECT_EQ(GetXmlTagValue({"<name>A</name>", "<name> B </name>"}, "name"), "B");
    EXPECT_EQ(GetXmlTagValue({"<name>A</name>", "<!-- <name>B</name> -->"}, "name"), "B");
    EXPECT_EQ(GetXmlTagValue({"<name>A</name>", "<filename>F</filename>"}, "filename"), "F");
    EXPECT_EQ(GetXmlTagValue({"<name>A</name>", "<name>App name goes here</name>"}, "name"), "");
    EXPECT_EQ(GetXmlTagValue({"<other>A</other>"}, "name"), "");
    EXPECT_EQ(GetXmlTagValue({}, "name"), "");
    // The line is found case-insensitively, but the element is cut out case-sensitively.
    EXPECT_EQ(GetXmlTagValue({"  <NAME>C</NAME>  "}, "name"), "<NAME>C</NAME>");
    EXPECT_EQ(GetXmlTagValue({"<name>Unclosed"}, "name"), "Unclosed");
}

TEST(IsDottedNumber, DigitsAndDotsOnly) {
    EXPECT_TRUE(IsDottedNumber(""));
    EXPECT_TRUE(IsDottedNumber("1.2.3.4"));
    EXPECT_TRUE(IsDottedNumber("..."));
    EXPECT_FALSE(IsDottedNumber("v1.2"));
    EXPECT_FALSE(IsDottedNumber("1.2 "));
    EXPECT_FALSE(IsDottedNumber("1,2"));
}

TEST(ToNativeSystemPath, LeavesPathsAloneOutsideA32BitProcessOn64BitWindows) {
    // This test program is a native process, so nothing is redirected.
    for (const std::string p : {"C:\\Windows\\System32\\svchost.exe", "/usr/bin/ssh", ""}) {
        EXPECT_EQ(ToNativeSystemPath(p), p);
    }
}

TEST(ProductRules, RunInTableOrderWithEachKindOfEffect) {
    using namespace vanto::rules;
    static constexpr ProductRule rules[] = {
        {{Is(Subject::R, "mspcmanager")}, SetTo("Microsoft PC Manager")},
        {{IsExactly(Subject::R, "mozilla thunderbird")}, SetTo("never: case differs")},
        {{BeginsWith(Subject::R, "Microsoft PC"), Contains(Subject::Folder, "beta")}, Append(" Beta")},
        {{Contains(Subject::CompanyName, "SoftPerfect")}, TakeField(Subject::ProductName)},
        {{Contains(Subject::CompanyName, "SoftPerfect"), Not(BeginsWith(Subject::R, "SoftPerfect "))},
         Prepend("SoftPerfect ")},
        {{BeginsWith(Subject::R, "Sysinternals ")}, CutPrefix("Sysinternals ", true)},
        {{IsEmpty(Subject::R), BeginsWith(Subject::BaseName, "gimp")}, SetTo("GIMP")},
        {{EndsWith(Subject::R, " Loader"), BeginsWith(Subject::R, "EaseUS ")}, CutSuffix(" Loader")},
        {{Is(Subject::R, "counted")}, Call([](NamingCall& c) { c.R += " " + c.folder_name; })},
    };
    struct Case {
        std::string r, folder, company, product, base, expected;
    } cases[] = {
        {"MSPCManager", "C:\\Apps\\", "", "", "x", "Microsoft PC Manager"},
        {"MSPCManager", "C:\\Beta\\", "", "", "x", "Microsoft PC Manager Beta"},  // sees the earlier rename
        {"Mozilla Thunderbird", "", "", "", "x", "Mozilla Thunderbird"},
        {"Net Scan", "", "SoftPerfect Pty", "Network Scanner", "x", "SoftPerfect Network Scanner"},
        {"Net Scan", "", "SoftPerfect Pty", "SoftPerfect RAM Disk", "x", "SoftPerfect RAM Disk"},
        {"Sysinternals  Autoruns", "", "", "", "x", "Autoruns"},
        {"", "", "", "", "gimp-2.10", "GIMP"},
        {"", "", "", "", "other", ""},
        {"EaseUS Todo Loader", "", "", "", "x", "EaseUS Todo"},
        {"counted", "/opt/Folder/", "", "", "x", "counted Folder"},
    };
    for (const auto& c : cases) {
        NamingCall call;
        call.R = c.r;
        call.folder = c.folder;
        call.folder_name = "Folder";
        call.base_name = c.base;
        call.V.CompanyName = c.company;
        call.V.ProductName = c.product;
        RunProductRules(rules, call);
        EXPECT_EQ(call.R, c.expected) << c.r;
    }
}

TEST(ProductRules, SiblingPathsFollowTheFoldersSeparator) {
    EXPECT_EQ(SiblingPath("C:\\App\\", "META-INF\\AIR\\application.xml"), "C:\\App\\META-INF\\AIR\\application.xml");
    EXPECT_EQ(SiblingPath("/opt/app/", "META-INF\\AIR\\application.xml"), "/opt/app/META-INF/AIR/application.xml");
    EXPECT_EQ(SiblingPath("/opt/app", "a/b"), "/opt/app/a/b");
}

TEST(ProductRules, ReadTextLinesSplitsEveryLineEndAndStaysBounded) {
    TempDir dir;
    std::vector<std::string> lines;
    ASSERT_TRUE(ReadTextLines(dir.write("a.txt", "\xEF\xBB\xBFone\r\ntwo\nthree\rfour").string(), lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "four"}));
    ASSERT_TRUE(ReadTextLines(dir.write("b.txt", "x\n\ny\n").string(), lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"x", "", "y"}));
    EXPECT_FALSE(ReadTextLines(dir.write("big.txt", std::string(100, 'a')).string(), lines, 99));
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(ReadTextLines((dir.path() / "missing.txt").string(), lines));
    EXPECT_FALSE(ReadTextLines(dir.str(), lines));  // a folder
}
