// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// AppStream files and the dpkg status file come from every package on the system: the readers
// take the publisher, release and version from well-formed files and little from broken ones.

#include "platform/linux/package_metadata.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vanto::platform {
namespace {

TEST(ParseAppStreamComponent, DeveloperLaunchablesAndNewestRelease) {
    const struct {
        const char* what;
        std::string xml;
        bool ok;
        const char* id;
        const char* developer;
        const char* release;
    } cases[] = {
        {"developer_name, translations skipped, entities decoded",
         "<?xml version='1.0'?><!DOCTYPE x><component type='desktop'><id>a.b</id>"
         "<developer_name xml:lang='de'>Fremd</developer_name><developer_name>  Tom &amp;\n  Jerry &#x263A; </developer_name>"
         "</component>",
         true, "a.b", "Tom & Jerry \xe2\x98\xba", ""},
        {"the newer <developer> element",
         "<component><id>c</id><developer id='x'><name xml:lang='fr'>Non</name><name>Dev Inc.</name></developer>"
         "</component>",
         true, "c", "Dev Inc.", ""},
        {"releases by timestamp or date, whatever their order",
         "<component><id>r</id><releases><release version='1.2' date='2020-01-01'/>"
         "<release version='2.0' timestamp='1700000000'><description><p>new</p></description></release>"
         "<release version='1.9' date='2023-11-01T10:00:00Z'/><release version='0.1'/></releases></component>",
         true, "r", "", "2.0"},
        {"no dates: the first listed",
         "<component><id>r</id><releases><release version='3.1'/><release version='3.0'/></releases></component>",
         true, "r", "", "3.1"},
        {"only the component's own children count",
         "<component><id>top</id><requires><id>other</id></requires><provides><developer_name>No</developer_name>"
         "</provides><release version='9'/></component>",
         true, "top", "", ""},
        {"a catalogue: its first component",
         "<components><component><id>first</id></component><component><id>second</id></component></components>", true,
         "first", "", ""},
        {"commented out", "<!-- <component><id>x</id></component> -->", false, "", "", ""},
        {"cut off in a tag", "<component><id>cut</id><developer_name>Half", true, "cut", "", ""},
        {"cut off in an element", "<component><id>cu", false, "", "", ""},
        {"not XML", std::string("\x7F" "ELF\0\0<<>>&&;", 14), false, "", "", ""},
        {"a NUL reference is kept as written",
         "<component><id>n</id><developer_name>A&#0;B &bogus; &#xD800;</developer_name></component>", true, "n",
         "A&#0;B &bogus; &#xD800;", ""},
    };
    for (const auto& c : cases) {
        AppStreamComponent out;
        EXPECT_EQ(ParseAppStreamComponent(c.xml, out), c.ok) << c.what;
        EXPECT_EQ(out.id, c.id) << c.what;
        EXPECT_EQ(out.developer, c.developer) << c.what;
        EXPECT_EQ(out.newest_release, c.release) << c.what;
    }
    AppStreamComponent out;
    ASSERT_TRUE(ParseAppStreamComponent("<component><id>l</id><launchable type='desktop-id'>l.desktop</launchable>"
                                        "<launchable type='service'>l.service</launchable>"
                                        "<launchable type=\"desktop-id\">alias.desktop</launchable></component>",
                                        out));
    EXPECT_EQ(out.desktop_ids, (std::vector<std::string>{"l.desktop", "alias.desktop"}));
    // Deep nesting ends the reading, it does not overflow anything.
    std::string deep = "<component><id>d</id>";
    for (int i = 0; i < 10000; ++i) deep += "<x>";
    EXPECT_TRUE(ParseAppStreamComponent(deep, out));
    EXPECT_EQ(out.id, "d");
}

TEST(UpstreamVersion, EpochAndRevisionStripped) {
    const struct {
        const char* debian;
        const char* upstream;
    } cases[] = {
        {"1:2.36.1-8+deb12u1", "2.36.1"}, {"3.11.2-6+deb12u6", "3.11.2"}, {"5.0", "5.0"},
        {"2:1.0-rc1-3", "1.0-rc1"},        {"0.9~beta2", "0.9~beta2"},       {"a:1.0-1", "a:1.0"},
        {" 10:4-1 ", "4"},                 {"", ""},                          {"-1", "-1"},
    };
    for (const auto& c : cases) EXPECT_EQ(UpstreamVersion(c.debian), c.upstream) << c.debian;
}

TEST(ParseDpkgStatus, InstalledPackagesWithTheirArchitecture) {
    const std::string text =
        "Package: one\nStatus: install ok installed\nArchitecture: amd64\nVersion: 1.0-1\n"
        "Description: first\n Version: 9.9 in a continuation line\n\n"
        "Package: two\r\nStatus: install ok unpacked\r\nVersion: 2.0\r\nArchitecture: all\r\n\r\n\r\n"
        "Package: removed\nStatus: deinstall ok config-files\nVersion: 3.0\n\n"
        "Package: never\nStatus: purge ok not-installed\n\n"
        "Package: noversion\nStatus: install ok installed\n\n"
        "garbage line\n\x01\x02\n"
        "Package: last\nVersion: 4.0";
    std::vector<std::string> seen;
    ParseDpkgStatus(text, [&](std::string_view n, std::string_view a, std::string_view v) {
        seen.push_back(std::string(n) + "|" + std::string(a) + "|" + std::string(v));
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"one|amd64|1.0-1", "two|all|2.0", "last||4.0"}));
}

TEST(FlatpakHostPath, SandboxFoldersLeadToTheInstalledFiles) {
    const std::string info =
        "[Application]\nname=org.example.Foo\nruntime=runtime/org.example.Platform/x86_64/47\n\n"
        "[Instance]\ninstance-id=123\napp-path=/var/lib/flatpak/app/org.example.Foo/x86_64/stable/abc/files/\n"
        "runtime-path = /var/lib/flatpak/runtime/org.example.Platform/x86_64/47/def/files\n";
    const struct {
        const char* sandbox;
        const char* info;
        const char* host;
    } cases[] = {
        {"/app/bin/foo", info.c_str(), "/var/lib/flatpak/app/org.example.Foo/x86_64/stable/abc/files/bin/foo"},
        {"/usr/bin/python3", info.c_str(), "/var/lib/flatpak/runtime/org.example.Platform/x86_64/47/def/files/bin/python3"},
        {"/bin/sh", info.c_str(), ""},
        {"/application/x", info.c_str(), ""},
        {"/app/../etc/passwd", info.c_str(), ""},
        {"/app/bin/foo", "[Application]\napp-path=/not/in/instance\n", ""},
        {"/app/bin/foo", "[Instance]\napp-path=relative/path\n", ""},
        {"/app/bin/foo", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FlatpakHostPath(c.sandbox, c.info), c.host) << c.sandbox << " " << c.info;
}

}  // namespace
}  // namespace vanto::platform
