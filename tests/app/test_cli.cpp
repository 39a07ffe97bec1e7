// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "app/cli/cli.h"

#include <gtest/gtest.h>

#include "testsupport/test_support.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "platform/build_info.h"
#include "testsupport/pe_builder.h"
#include "testsupport/test_support.h"

using namespace vanto;
using namespace vanto::cli;
using vanto::testing::Ipv4Field;

TEST(CommandLine, ModesAndFormats) {
    struct Case {
        std::vector<std::string> args;
        Mode mode;
        bool all;
        Format format;
        bool minimized;
    } cases[] = {
        {{}, Mode::Window, false, Format::Text, false},
        {{"/minimized"}, Mode::Window, false, Format::Text, true},
        {{"/Minimized"}, Mode::Window, false, Format::Text, false},  // opens normally; exact case only
        {{"/other", "/minimized"}, Mode::Window, false, Format::Text, false},  // only as the first parameter
        {{"--list"}, Mode::List, false, Format::Text, false},
        {{"--list", "--all"}, Mode::List, true, Format::Text, false},
        {{"--format", "csv", "--list"}, Mode::List, false, Format::Csv, false},
        {{"--list", "--format=json", "--all"}, Mode::List, true, Format::Json, false},
        {{"--list", "--format", "html"}, Mode::List, false, Format::Html, false},
        {{"--help"}, Mode::Help, false, Format::Text, false},
        {{"--list", "-h"}, Mode::Help, false, Format::Text, false},
    };
    for (const auto& c : cases) {
        const auto r = ParseCommandLine(c.args);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.mode, c.mode);
        EXPECT_EQ(r.options.all, c.all);
        EXPECT_EQ(r.options.format, c.format);
        EXPECT_EQ(r.options.minimized, c.minimized);
    }
}

TEST(CommandLine, IdentifyTakesPathsVerboseAndFormat) {
    struct Case {
        std::vector<std::string> args;
        bool verbose;
        Format format;
        std::vector<std::string> paths;
    } cases[] = {
        {{"--identify", "a.exe", "/usr/bin/b"}, false, Format::Text, {"a.exe", "/usr/bin/b"}},
        {{"x", "--identify", "--verbose", "--format", "json", "y"}, true, Format::Json, {"x", "y"}},
        {{"--identify", "--format=csv", "--", "-odd name", "--list"}, false, Format::Csv, {"-odd name", "--list"}},
    };
    for (const auto& c : cases) {
        const auto r = ParseCommandLine(c.args);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.options.mode, Mode::Identify);
        EXPECT_EQ(r.options.verbose, c.verbose);
        EXPECT_EQ(r.options.format, c.format);
        EXPECT_EQ(r.options.paths, c.paths);
    }
}

TEST(CommandLine, BadOptionsExitTwoWithOneLineAndAPointerToHelp) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"--list", "--format"}, {"--list", "--format", "xml"}, {"--all"}, {"--list", "/minimized2"}, {"--list", "plain-word"},
             {"--identify"}, {"--identify", "--all", "a"}, {"--list", "--identify", "a"}, {"a.exe", "--frobnicate"},
             {"--list", "--verbose"}, {"--", "a.exe"}, {"--identify", "-x", "a"},
             {"--update-url", "https://h"}, {"--check-update", "--update-url"}, {"--check-update", "--update-url", "ftp://h"},
             {"--check-update", "--list"}, {"--check-update", "a"}, {"--check-update", "--format", "csv"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(Main(args, out, err, {}), 2) << args[0];
        EXPECT_TRUE(out.str().empty());
        const std::string e = err.str();
        ASSERT_NE(e.find('\n'), std::string::npos);
        EXPECT_EQ(e.rfind("vantoscope: ", 0), 0u) << e;
        EXPECT_EQ(e.substr(e.find('\n') + 1), "Try 'vantoscope --help' for more information.\n") << e;
    }
}

TEST(CommandLine, VersionPrintsNameAndFourPartVersion) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--version"}, {"--list", "--version"}, {"--version", "--all"}}) {
        std::ostringstream out, err;
        bool opened = false;
        EXPECT_EQ(Main(args, out, err,
                       [&](const Options&) {
                           opened = true;
                           return 5;
                       }),
                  0);
        EXPECT_FALSE(opened);
        EXPECT_TRUE(err.str().empty());
        EXPECT_EQ(out.str(), "Vantoscope " + std::string(build::kVersion) + "\n");
    }
    EXPECT_EQ(std::count(build::kVersion, build::kVersion + std::strlen(build::kVersion), '.'), 3)
        << "four parts: " << build::kVersion;
    // Help wins over --version, as it does over every other option.
    std::ostringstream out, err;
    EXPECT_EQ(Main({"--version", "--help"}, out, err, {}), 0);
    EXPECT_EQ(out.str(), Usage());
    EXPECT_NE(Usage().find("--version"), std::string::npos);
}

TEST(CommandLine, CheckUpdateRunsTheCheckerWithItsBase) {
    const struct {
        std::vector<std::string> args;
        std::string base;
    } cases[] = {
        {{"--check-update"}, ""},
        {{"--check-update", "--update-url", "https://mirror.example:8443/"}, "https://mirror.example:8443"},
        {{"--update-url=http://127.0.0.1:9", "--check-update"}, "http://127.0.0.1:9"},
    };
    for (const auto& c : cases) {
        std::ostringstream out, err;
        std::string seen = "none";
        EXPECT_EQ(Main(c.args, out, err, {},
                       [&](const Options& o) {
                           seen = o.update_url;
                           return kExitNewerVersion;
                       }),
                  kExitNewerVersion);
        EXPECT_EQ(seen, c.base);
    }
    // A build without the checker says so and counts the check as failed.
    std::ostringstream out, err;
    EXPECT_EQ(Main({"--check-update"}, out, err, {}), kExitCheckFailed);
    EXPECT_NE(err.str().find("no update check"), std::string::npos);
}

TEST(CommandLine, WindowWhenThereIsADisplayTableWhenNot) {
    std::ostringstream out, err;
    bool opened = false;
    EXPECT_EQ(Main({"/minimized"}, out, err, [&](const Options& o) {
                  opened = o.minimized;
                  return 7;
              }),
              7);
    EXPECT_TRUE(opened);

    std::ostringstream out2, err2;
    EXPECT_EQ(Main({}, out2, err2, {}), 0);
    EXPECT_NE(err2.str().find("no display"), std::string::npos);
    EXPECT_EQ(out2.str().rfind("PID", 0), 0u);  // the table's header
}

// Any parameter that is not one of the program's options opens the window (which records
// it), so that a second start hands it over instead of failing.
TEST(CommandLine, ParametersThatAreNoOptionsOpenTheWindow) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"foo"}, {"a.exe"}, {"-x"}, {"-"}, {"C:\\Users\\me\\notes.txt"}, {"foo", "/minimized"}, {"/other", "-y", "z"}}) {
        std::ostringstream out, err;
        int calls = 0;
        bool minimized = true;
        EXPECT_EQ(Main(args, out, err, [&](const Options& o) {
                      ++calls;
                      minimized = o.minimized;
                      return 0;
                  }),
                  0)
            << args[0] << ": " << err.str();
        EXPECT_EQ(calls, 1) << args[0];
        EXPECT_FALSE(minimized) << args[0] << ": \"/minimized\" counts only as the first parameter";
        EXPECT_TRUE(err.str().empty()) << args[0];
    }
}

TEST(ConnectionTable, DefaultRowsAreTheWindowsDefaultRows) {
    const TConnectionArray snap = {
        {0, 5, Ipv4Field(10, 0, 0, 2), 0x3930, Ipv4Field(192, 0, 2, 10), 0xBB01, 321},  // shown
        {0, 5, Ipv4Field(10, 0, 0, 2), 0x3A30, Ipv4Field(192, 0, 2, 11), 0x3500, 4},    // system
        {0, 5, Ipv4Field(127, 0, 0, 1), 0x3B30, Ipv4Field(127, 0, 0, 1), 0x5000, 321},  // local
        {0, 2, Ipv4Field(0, 0, 0, 0), 0x5000, 0, 0, 321},                          // listener
        {1, 0, Ipv4Field(0, 0, 0, 0), 0x3500, 0, 0, 321},                          // UDP
        {0, 5, Ipv4Field(10, 0, 0, 2), 0x3C30, Ipv4Field(127, 0, 0, 2), 0x901F, 0},     // PID 0
        {0, 5, Ipv4Field(10, 0, 0, 2), 0x3D30, Ipv4Field(127, 0, 0, 2), 0x901F, 99},    // 127.0.0.2 is shown
    };
    auto name = [](std::uint32_t pid) { return "proc" + std::to_string(pid); };
    const Table shown = ConnectionTable(snap, false, name);
    ASSERT_EQ(shown.rows.size(), 2u);
    EXPECT_EQ(shown.rows[0], (std::vector<std::string>{"321", "TCP", "ESTABLISHED", "10.0.0.2", "12345", "192.0.2.10",
                                                       "443", "HTTPS", "proc321", "IPv4", "?", "?"}));
    EXPECT_EQ(shown.rows[1][5], "127.0.0.2");
    EXPECT_EQ(shown.rows[1][7], "HTTP");

    const Table all = ConnectionTable(snap, true, name);
    ASSERT_EQ(all.rows.size(), snap.size());
    EXPECT_EQ(all.rows[4], (std::vector<std::string>{"321", "UDP", "", "0.0.0.0", "53", "0.0.0.0", "0", "", "proc321",
                                                     "IPv4", "?", "?"}));
    EXPECT_EQ(all.rows[3][2], "LISTENING");
}

TEST(Identify, NamesEachPathAndKeepsGoingPastMissingFiles) {
    using namespace vanto::testing;
    TempDir dir;
    VersionInfoSpec spec = VersionWithStrings({{"FileDescription", "Foo Tool"},
                                               {"CompanyName", "Foo Co"},
                                               {"FileVersion", "1, 2, 3, 4"},
                                               {"ProductName", "Foo"},
                                               {"OriginalFilename", "foo.exe"}});
    spec.fileVersionMS = (1u << 16) | 2u;
    spec.fileVersionLS = (3u << 16) | 4u;
    const std::string pe = dir.write("bin/foo-tool.exe", BuildPeWithVersion(EncodeVersionInfo(spec)).bytes).string();
    const std::string missing = (dir.path() / "gone.exe").string();

    const Table brief = IdentifyTable({pe, missing}, false);
    ASSERT_EQ(brief.columns.size(), 4u);
    ASSERT_EQ(brief.rows.size(), 2u);
    EXPECT_EQ(brief.rows[0], (std::vector<std::string>{pe, "Foo", "Foo Co", "1.2.3.4"}));
    EXPECT_EQ(brief.rows[1], (std::vector<std::string>{missing, "gone", "", ""}));

    const Table full = IdentifyTable({pe, missing}, true);
    ASSERT_EQ(full.columns.size(), 13u);
    EXPECT_EQ(full.columns[4].header, "File Version");
    EXPECT_EQ(full.rows[0], (std::vector<std::string>{pe, "Foo", "Foo Co", "1.2.3.4", "1.2.3.4", "Foo Tool", "Foo Co", "1.2.3.4",
                                                      "", "", "foo.exe", "Foo", ""}));
    EXPECT_EQ(full.rows[1][4], "File not found");

    // A folder is said to be one, not a missing file; the rest of its row stays empty.
    const std::string folder = (dir.path() / "bin").string();
    const Table of_folder = IdentifyTable({folder}, true);
    ASSERT_EQ(of_folder.rows.size(), 1u);
    EXPECT_EQ(of_folder.rows[0][4], kIsAFolderText);
    EXPECT_EQ(of_folder.rows[0][3], "");

    std::ostringstream out, err;
    EXPECT_EQ(Main({"--identify", "--format", "json", pe, missing}, out, err, {}), 0);
    EXPECT_TRUE(err.str().empty());
    EXPECT_NE(out.str().find("\"product\": \"Foo\""), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\"product\": \"gone\""), std::string::npos) << out.str();
}

// The HTML report holds any text as text: markup characters escaped, control bytes and
// broken UTF-8 replaced, so a process name cannot add markup or script to it.
TEST(TableFormat, HtmlEscapesEveryCellAndTheTitle) {
    Table t;
    t.columns = {{"Name <b>", "name"}, {"Port", "port", true}};
    t.rows = {{"<script>alert('x')</script> & \"q\"", "443"}, {"bad \xC3 byte\x01", "?"}};
    std::ostringstream html;
    WriteTable(t, Format::Html, html, "Report & <more>");
    const std::string s = html.str();
    EXPECT_EQ(s.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(s.find("<title>Report &amp; &lt;more&gt;</title>"), std::string::npos);
    EXPECT_NE(s.find("<th>Name &lt;b&gt;</th><th>Port</th>"), std::string::npos);
    EXPECT_NE(s.find("<td>&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;</td><td>443</td>"),
              std::string::npos);
    EXPECT_NE(s.find("<td>bad \xEF\xBF\xBD byte?</td><td>?</td>"), std::string::npos);
    EXPECT_EQ(s.find("<script>"), std::string::npos);
    EXPECT_EQ(s.substr(s.size() - 8), "</html>\n");
}

TEST(TableFormat, TextIsAlignedAndCsvFollowsRfc4180) {
    Table t;
    t.columns = {{"A", "a"}, {"Long header", "b"}, {"C", "c"}};
    t.rows = {{"xyz", "1", "plain"}, {"q", "has,comma", "say \"hi\"\nthere"}};

    std::ostringstream text;
    WriteTable(t, Format::Text, text);
    EXPECT_EQ(text.str(),
              "A    Long header  C\n"
              "xyz  1            plain\n"
              "q    has,comma    say \"hi\"?there\n");

    std::ostringstream csv;
    WriteTable(t, Format::Csv, csv);
    EXPECT_EQ(csv.str(),
              "A,Long header,C\r\n"
              "xyz,1,plain\r\n"
              "q,\"has,comma\",\"say \"\"hi\"\"\nthere\"\r\n");
}
