// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Desktop entries are written by anybody who installs software: the parser must find the
// program and icon of well-formed entries and shrug off everything else.

#include "platform/linux/desktop_entries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vanto::platform {
namespace {

TEST(ExecProgram, FirstArgumentWithQuotingAndEnvPrefixUndone) {
    const struct {
        const char* exec;
        const char* program;
    } cases[] = {
        {"vim %F", "vim"},
        {"/usr/bin/firefox-esr %u", "/usr/bin/firefox-esr"},
        {"\"/opt/My App/run\" --flag %U", "/opt/My App/run"},
        {"\"/opt/quote\\\"d/app\"", "/opt/quote\"d/app"},
        {"env GDK_BACKEND=x11 LANG=C prog --x", "prog"},
        {"/usr/bin/env -i FOO=1 tool", "tool"},
        {"   spaced\tprog  ", "spaced"},
        {"\"unterminated quote", "unterminated quote"},
        {"%U", ""},
        {"env FOO=1", ""},
        {"", ""},
        {"   ", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ExecProgram(c.exec), c.program) << c.exec;
}

TEST(ParseDesktopEntry, ReadsOnlyTheMainGroupAndTheFirstOfEachKey) {
    const std::string text =
        "# comment\r\n"
        "[Desktop Action new-window]\n"
        "Exec=wrong --new-window\n"
        "Icon=wrong\n"
        "[Desktop Entry]\r\n"
        "Type = Application\r\n"
        "Icon[de]=lokal\n"
        "Icon=my\\sicon\n"
        "Icon=second\n"
        "TryExec=myprog\n"
        "Exec=myprog %U\n"
        "line without equals sign\n"
        "[Another Group]\n"
        "Hidden=true\n";
    DesktopEntry e;
    ASSERT_TRUE(ParseDesktopEntry(text, e));
    EXPECT_EQ(e.type, "Application");
    EXPECT_EQ(e.icon, "my icon");
    EXPECT_EQ(e.try_exec, "myprog");
    EXPECT_EQ(e.exec, "myprog %U");
    EXPECT_FALSE(e.hidden);
}

TEST(ParseDesktopEntry, HiddenEntriesAndTextsWithoutTheGroup) {
    DesktopEntry e;
    ASSERT_TRUE(ParseDesktopEntry("[Desktop Entry]\nHidden=true\nIcon=x\n", e));
    EXPECT_TRUE(e.hidden);
    EXPECT_FALSE(ParseDesktopEntry("Icon=x\nExec=y\n", e));
    EXPECT_TRUE(e.icon.empty());
    EXPECT_FALSE(ParseDesktopEntry(std::string("\0\xff\xfe[", 4), e));
    EXPECT_FALSE(ParseDesktopEntry("", e));
    // A trailing backslash is kept, not read past the end.
    ASSERT_TRUE(ParseDesktopEntry("[Desktop Entry]\nIcon=ends\\", e));
    EXPECT_EQ(e.icon, "ends\\");
}

TEST(ParseDesktopEntry, NameInTheBestFittingLanguage) {
    const std::string text =
        "[Desktop Entry]\n"
        "Name[de]=Deutsch\n"
        "Name=Plain\n"
        "Name[de_CH]=Schweiz\n"
        "Name[sr@latin]=Latinica\n"
        "Name[sr_RS@latin]=Srbija latinica\n"
        "Name[sr]=Srpski\n"
        "Name[pt_BR]=\xe2\x80\n"       // cut-off UTF-8
        "Name[pt]=Portugu\xc3\xaas\n"
        "Name[ja]=\xc0\xafoverlong\n"
        "Name[xx]=tab\there\n"
        "Name[de_CH]=Second Schweiz\n"
        "Name[=broken\n"
        "[Desktop Action x]\nName[en]=Action\n";
    const struct {
        const char* locale;
        const char* name;
    } cases[] = {
        {"de_CH.UTF-8", "Schweiz"},         {"de_DE.UTF-8@euro", "Deutsch"}, {"sr_RS.UTF-8@latin", "Srbija latinica"},
        {"sr_ME@latin", "Latinica"},         {"sr_RS", "Srpski"},              {"pt_BR.UTF-8", "Portugu\xc3\xaas"},
        {"ja_JP", "Plain"},                  {"xx", "Plain"},                  {"en_US", "Plain"},
        {"C", "Plain"},                      {"POSIX", "Plain"},               {"C.UTF-8", "Plain"},
        {"", "Plain"},
    };
    for (const auto& c : cases) {
        DesktopEntry e;
        ASSERT_TRUE(ParseDesktopEntry(text, e, c.locale));
        EXPECT_EQ(e.name, c.name) << c.locale;
    }
    DesktopEntry e;
    ASSERT_TRUE(ParseDesktopEntry("[Desktop Entry]\nName=\xff\nName[de]=\x01\n", e, "de"));
    EXPECT_EQ(e.name, "") << "no usable name at all";
    ASSERT_TRUE(ParseDesktopEntry("[Desktop Entry]\nName=A\\sB\nX-Flatpak=org.x.Y\nX-SnapInstanceName=fox\n", e));
    EXPECT_EQ(e.name, "A B");
    EXPECT_EQ(e.flatpak, "org.x.Y");
    EXPECT_EQ(e.snap, "fox");
}

TEST(ExecArguments, ProgramAndItsArgumentsAfterTheEnvPrefix) {
    EXPECT_EQ(ExecArguments("env A=1 -u B sh -c \"run it\" %U"),
              (std::vector<std::string>{"sh", "-c", "run it", "%U"}));
    EXPECT_EQ(ExecArguments("env"), std::vector<std::string>{});
}

}  // namespace
}  // namespace vanto::platform
