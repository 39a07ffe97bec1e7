// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Desktop entries are written by anybody who installs software: the parser must find the
// program and icon of well-formed entries and shrug off everything else.

#include "platform/linux/desktop_entries.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace vanto::platform
