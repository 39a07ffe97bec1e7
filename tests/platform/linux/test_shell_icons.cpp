// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The Linux system image list against made-up XDG data folders and PATH: which desktop
// entry gives a program its icon, and the fixed entries for folders and other files.

#include "platform/shell_icons.h"

#include "platform/program_identity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "testsupport/test_support.h"

namespace vanto::platform {
using vanto::testing::ScopedEnv;

namespace {

namespace fs = std::filesystem;

class ShellIconsTest : public ::testing::Test {
protected:
    ShellIconsTest()
        : home_("XDG_DATA_HOME", (dir_.path() / "home").string()),
          dirs_("XDG_DATA_DIRS", (dir_.path() / "sys").string()),
          path_("PATH", (dir_.path() / "bin").string()) {
        // Icons come from desktop entries alone: keep the machine's package database out.
        ProgramIdentitySources none;
        none.dpkg_folder = (dir_.path() / "dpkg").string();
        none.appstream_folders = {};
        none.flatpak_installations = {};
        none.snap_desktop_folder = (dir_.path() / "snapd").string();
        SetProgramIdentitySources(none);
    }

    std::string Program(const std::string& name) const {
        const fs::path p = dir_.write("bin/" + name, "#!/bin/sh\n");
        ::chmod(p.c_str(), 0755);
        return p.string();
    }
    void Entry(const std::string& where, const std::string& text) const { dir_.write(where, text); }

    // Re-reads the desktop entries, as attaching the image list does, and waits for them.
    ImageListHandle Reload() const {
        const ImageListHandle list = GetSystemImageList(true);
        WaitForProgramIdentityIndex(ProgramIdentityNeed::Names);
        return list;
    }

    std::string Theme(int index) const {
        ShellIconPicture p;
        EXPECT_TRUE(GetShellIconPicture(Reload(), index, p)) << index;
        return p.theme_name;
    }

    vanto::testing::TempDir dir_;
    ScopedEnv home_, dirs_, path_;
};

TEST_F(ShellIconsTest, ProgramNamedByADesktopEntryGetsItsIcon) {
    const std::string prog = Program("myprog");
    const std::string quoted = Program("other prog");
    Entry("sys/applications/my.desktop", "[Desktop Entry]\nType=Application\nExec=env A=1 myprog %U\nIcon=my-icon\n");
    Entry("sys/applications/vendor/q.desktop",
          "[Desktop Entry]\nType=Application\nExec=\"" + quoted + "\" --x\nIcon=" + dir_.str() + "/q.png\n");
    Reload();

    const int index = GetShellIconIndex(prog);
    EXPECT_GE(index, 3);
    EXPECT_EQ(GetShellIconIndex("myprog"), index) << "a bare process name matches the entry's program name";
    EXPECT_EQ(Theme(index), "my-icon");

    const int q = GetShellIconIndex(quoted);
    EXPECT_GE(q, 3);
    EXPECT_NE(q, index);
    ShellIconPicture picture;
    ASSERT_TRUE(GetShellIconPicture(Reload(), q, picture));
    EXPECT_EQ(picture.file, dir_.str() + "/q.png");
    EXPECT_EQ(picture.kind, ShellIconPicture::Kind::Program);
}

TEST_F(ShellIconsTest, SymbolicLinkInExecLeadsToTheRealProgram) {
    const std::string real = Program("real-binary");
    ::symlink(real.c_str(), (dir_.path() / "bin/launcher").c_str());
    Entry("sys/applications/l.desktop", "[Desktop Entry]\nType=Application\nTryExec=launcher\nExec=launcher\nIcon=l\n");
    Reload();
    // The process list reports the resolved executable, never the link.
    EXPECT_EQ(Theme(GetShellIconIndex(real)), "l");
}

TEST_F(ShellIconsTest, UserEntriesShadowSystemOnesAndHiddenOrForeignEntriesCountForNothing) {
    const std::string a = Program("a");
    const std::string b = Program("b");
    const std::string c = Program("c");
    Entry("home/applications/same.desktop", "[Desktop Entry]\nType=Application\nExec=a\nIcon=user-icon\n");
    Entry("sys/applications/same.desktop", "[Desktop Entry]\nType=Application\nExec=a\nIcon=system-icon\n");
    Entry("home/applications/gone.desktop", "[Desktop Entry]\nHidden=true\n");
    Entry("sys/applications/gone.desktop", "[Desktop Entry]\nType=Application\nExec=b\nIcon=b-icon\n");
    Entry("sys/applications/link.desktop", "[Desktop Entry]\nType=Link\nExec=c\nIcon=c-icon\n");
    Entry("sys/applications/noicon.desktop", "[Desktop Entry]\nType=Application\nExec=c\n");
    Entry("sys/applications/c.txt", "[Desktop Entry]\nType=Application\nExec=c\nIcon=not-an-entry\n");
    Reload();
    EXPECT_EQ(Theme(GetShellIconIndex(a)), "user-icon");
    EXPECT_EQ(GetShellIconIndex(b), 2) << "hidden by the user's entry of the same id";
    EXPECT_EQ(GetShellIconIndex(c), 2);
}

TEST_F(ShellIconsTest, FoldersFilesAndUnknownNamesGetTheFixedEntries) {
    const std::string prog = Program("plain");
    const fs::path text = dir_.write("notes.txt", "x");
    Reload();
    EXPECT_EQ(GetShellIconIndex(dir_.str()), 1);
    EXPECT_EQ(Theme(1), "folder");
    EXPECT_EQ(GetShellIconIndex(prog), 2) << "an executable without an entry";
    EXPECT_EQ(Theme(2), "application-x-executable");
    EXPECT_EQ(GetShellIconIndex(text.string()), 0);
    EXPECT_EQ(GetShellIconIndex("?"), 0);
    EXPECT_EQ(GetShellIconIndex(""), 0);
    EXPECT_EQ(GetShellIconIndex("/no/such/program"), 0);
    EXPECT_EQ(GetShellIconIndex("unlisted-bare-name"), 0);
}

TEST_F(ShellIconsTest, IndexesStayTheSameAcrossReloads) {
    const std::string prog = Program("stable");
    Entry("sys/applications/s.desktop", "[Desktop Entry]\nType=Application\nExec=stable\nIcon=stable-icon\n");
    Reload();
    const int before = GetShellIconIndex(prog);
    Entry("home/applications/new.desktop", "[Desktop Entry]\nType=Application\nExec=newer\nIcon=a-new-icon\n");
    Reload();
    EXPECT_EQ(GetShellIconIndex(prog), before);
    EXPECT_EQ(Theme(before), "stable-icon");
}

TEST_F(ShellIconsTest, PicturesOnlyForRealListsAndIndexes) {
    ShellIconPicture p;
    const ImageListHandle small = Reload();
    const ImageListHandle large = GetSystemImageList(false);
    EXPECT_NE(small, 0u);
    EXPECT_NE(large, 0u);
    EXPECT_NE(small, large);
    EXPECT_TRUE(GetShellIconPicture(large, 0, p));
    EXPECT_FALSE(GetShellIconPicture(0, 0, p));
    EXPECT_FALSE(GetShellIconPicture(12345, 0, p));
    EXPECT_FALSE(GetShellIconPicture(small, -1, p));
    EXPECT_FALSE(GetShellIconPicture(small, 1000000, p));
}

TEST_F(ShellIconsTest, OversizedEntriesAreSkipped) {
    const std::string prog = Program("big");
    std::string text = "[Desktop Entry]\nType=Application\nExec=big\nIcon=big-icon\n";
    text += std::string(70 * 1024, '#');
    Entry("sys/applications/big.desktop", text);
    Reload();
    EXPECT_EQ(GetShellIconIndex(prog), 2);
}

}  // namespace
}  // namespace vanto::platform
