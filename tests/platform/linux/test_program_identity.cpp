// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Program identities against a made-up system: XDG data folders with desktop entries, PATH,
// AppStream files, a dpkg database and Flatpak and Snap installations, all in one temporary
// folder that the XDG variables and the index's sources point at.

#include "platform/program_identity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/program_index.h"
#include "testsupport/held_package_build.h"
#include "testsupport/test_support.h"

using vanto::testing::HeldPackageBuild;

namespace vanto::platform {
using vanto::testing::ScopedEnv;

namespace {

namespace fs = std::filesystem;

class ProgramIdentityTest : public ::testing::Test {
protected:
    ProgramIdentityTest()
        : home_("XDG_DATA_HOME", (dir_.path() / "home").string()),
          dirs_("XDG_DATA_DIRS", (dir_.path() / "sys1").string() + ":" + (dir_.path() / "sys2").string()),
          path_("PATH", (dir_.path() / "bin").string() + ":" + (dir_.path() / "bin2").string()),
          lc_all_("LC_ALL", nullptr),
          lc_messages_("LC_MESSAGES", nullptr),
          lang_("LANG", nullptr) {
        ProgramIdentitySources s;
        s.dpkg_folder = (dir_.path() / "dpkg").string();
        s.appstream_folders = {(dir_.path() / "metainfo").string(), (dir_.path() / "appdata").string()};
        s.flatpak_installations = {(dir_.path() / "flatpak").string()};
        s.snap_desktop_folder = (dir_.path() / "snapd/desktop/applications").string();
        s.snap_mount_folder = (dir_.path() / "snap").string();
        SetProgramIdentitySources(s);
    }

    // A script program; `elf` makes it start like an ELF executable instead.
    std::string Program(const std::string& where, bool elf = false) const {
        const fs::path p = dir_.write(where, elf ? std::string("\x7F" "ELF\x02\x01\x01", 7) : "#!/bin/sh\n");
        ::chmod(p.c_str(), 0755);
        return p.string();
    }
    void Write(const std::string& where, const std::string& text) const { dir_.write(where, text); }
    std::string Path(const std::string& where) const { return (dir_.path() / where).string(); }

    ProgramIdentity Identify(const std::string& path) const {
        WaitForProgramIdentityIndex(ProgramIdentityNeed::Versions);
        ProgramIdentity id;
        FindProgramIdentity(path, id);
        return id;
    }
    std::string NameOf(const std::string& path) const { return Identify(path).name; }

    vanto::testing::TempDir dir_;
    ScopedEnv home_, dirs_, path_, lc_all_, lc_messages_, lang_;
};

std::string App(const std::string& name, const std::string& keys) {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\n" + keys + "\n";
}

TEST_F(ProgramIdentityTest, ExecAndTryExecNameTheProgramTheyRun) {
    const std::string alpha = Program("bin/alpha");
    const std::string beta = Program("opt/my app/beta");
    const std::string gamma = Program("bin2/gamma");
    const std::string real = Program("opt/delta/delta-bin");
    ::symlink(real.c_str(), Path("bin/delta").c_str());
    const std::string shell = Program("bin/sh");
    const std::string python = Program("bin/python3.11");
    const std::string runner = Program("bin/noentry");
    Write("sys1/applications/alpha.desktop", App("Alpha", "Exec=env GDK_BACKEND=x11 alpha --new-window %U"));
    Write("sys1/applications/beta.desktop", App("Beta", "Exec=\"" + beta + "\" --open \"%f\""));
    Write("sys1/applications/gamma.desktop", App("Gamma", "TryExec=gamma\nExec=sh -c \"gamma --x\""));
    Write("sys1/applications/delta.desktop", App("Delta", "Exec=delta %F\nNoDisplay=true"));
    Write("sys1/applications/script.desktop", App("Some Script", "Exec=python3.11 /usr/share/script.py"));
    Write("sys1/applications/fieldcode.desktop", App("Field Code", "Exec=%U"));

    EXPECT_EQ(NameOf(alpha), "Alpha") << "a bare name through PATH, after env and its assignments";
    EXPECT_EQ(NameOf(beta), "Beta") << "a quoted path with a blank";
    EXPECT_EQ(NameOf(gamma), "Gamma") << "TryExec, in the second PATH folder";
    EXPECT_EQ(NameOf(real), "Delta") << "the link's target, as the process list reports it; hidden entries count";
    EXPECT_EQ(NameOf(Path("bin/delta")), "Delta");
    {
        const fs::path here = fs::current_path();
        fs::current_path(dir_.path());
        EXPECT_EQ(NameOf("bin/alpha"), "Alpha") << "a relative path, as a command line may give it";
        fs::current_path(here);
    }
    ProgramIdentity id;
    EXPECT_FALSE(FindProgramIdentity(shell, id)) << "the shell an entry runs a command with is not that entry";
    EXPECT_FALSE(FindProgramIdentity(python, id)) << "nor is the interpreter of a script";
    EXPECT_FALSE(FindProgramIdentity(runner, id)) << "a script no entry runs is not known";
}

TEST_F(ProgramIdentityTest, EarlierFoldersWinAndTheUsersCopyOfAnEntryReplacesTheSystems) {
    const std::string one = Program("bin/one");
    const std::string two = Program("bin/two");
    const std::string three = Program("bin/three");
    Write("home/applications/mine.desktop", App("User's One", "Exec=one"));
    Write("sys1/applications/one.desktop", App("System One", "Exec=one"));
    Write("sys1/applications/two.desktop", App("Two First", "Exec=two"));
    Write("sys2/applications/two-again.desktop", App("Two Second", "Exec=two"));
    Write("home/applications/gone.desktop", "[Desktop Entry]\nHidden=true\n");
    Write("sys1/applications/gone.desktop", App("Deleted", "Exec=three"));
    Write("sys2/applications/vendor/gone.desktop", App("Other Id", "Exec=three"));  // id "vendor-gone.desktop"

    EXPECT_EQ(NameOf(one), "User's One");
    EXPECT_EQ(NameOf(two), "Two First");
    EXPECT_EQ(NameOf(three), "Other Id") << "a hidden copy deletes its own id only";
}

TEST_F(ProgramIdentityTest, NameInTheUsersLanguage) {
    const std::string prog = Program("bin/tr");
    Write("sys1/applications/tr.desktop",
          App("Plain", "Exec=tr\nName[de]=Deutsch\nName[de_CH]=Schweiz\nName[sr]=Srpski\nName[sr@latin]=Latinica\n"
                       "Name[fr]=\xff\xfe broken\n"));
    const struct {
        const char* lc_all;
        const char* lc_messages;
        const char* lang;
        const char* name;
    } cases[] = {
        {"de_CH.UTF-8", nullptr, nullptr, "Schweiz"},
        {nullptr, nullptr, "de_AT.UTF-8", "Deutsch"},
        {nullptr, "sr_RS.UTF-8@latin", "de_DE", "Latinica"},  // LC_MESSAGES before LANG; lang@MODIFIER
        {nullptr, "sr_RS", nullptr, "Srpski"},
        {"de_CH", "sr", "sr", "Schweiz"},
        {"", "", "de", "Deutsch"},  // empty variables count as unset
        {"C", nullptr, "de", "Plain"},
        {"fr_FR.UTF-8", nullptr, nullptr, "Plain"},  // its translation is not UTF-8
        {"es", nullptr, nullptr, "Plain"},
    };
    for (const auto& c : cases) {
        ScopedEnv a("LC_ALL", c.lc_all), m("LC_MESSAGES", c.lc_messages), l("LANG", c.lang);
        EXPECT_EQ(NameOf(prog), c.name) << (c.lc_all ? c.lc_all : "-") << " " << (c.lc_messages ? c.lc_messages : "-")
                                        << " " << (c.lang ? c.lang : "-");
    }
}

TEST_F(ProgramIdentityTest, BadFilesAreSkippedAndTheRestIsRead) {
    const std::string good = Program("bin/good");
    const std::string other = Program("bin/other");
    Write("sys1/applications/good.desktop",
          "[Desktop Entry]\n\x01\x02\xff garbage without equals\nType=Application\n=no key\nName=\x1b[31mred\n"
          "Name=Good Program\nExec=good\n");
    ::mkfifo(Path("sys1/applications/a-fifo.desktop").c_str(), 0644);
    ::symlink("loop.desktop", Path("sys1/applications/loop.desktop").c_str());
    fs::create_directories(Path("sys1/applications/folder.desktop"));
    Write("sys1/applications/huge.desktop", App("Huge", "Exec=other\n" + std::string(100 * 1024, '#')));
    Write("sys1/applications/binary.desktop", std::string("\0\0\0\x7F" "ELF", 8));
    Write("sys1/applications/cut.desktop", "[Desktop Entry]\nType=Application\nExec=other\nName=Cut O");
    Write("metainfo/bad.metainfo.xml", "<component><id>good.desktop</id><developer_name>Unfinished");

    EXPECT_EQ(NameOf(good), "Good Program") << "a control character makes the first Name unusable";
    EXPECT_EQ(NameOf(other), "Cut O") << "the huge entry is skipped; a file cut off keeps what it has";
    EXPECT_EQ(Identify(good).publisher, "");
}

// An entry whose name cannot be used claims neither its program nor its id: the valid entry
// of the same program (earlier in name order or in a later folder) still names it.
TEST_F(ProgramIdentityTest, AnEntryWithAnUnusableNameHidesNoValidOne) {
    const std::string tool = Program("bin/tool");
    const std::string kit = Program("bin/kit");
    Write("sys1/applications/a-long.desktop", App(std::string(1025, 'N'), "Exec=tool"));
    Write("sys1/applications/b-tool.desktop", App("Tool", "Exec=tool"));
    Write("home/applications/kit.desktop", App("\xff\xfe broken", "Exec=kit"));
    Write("sys1/applications/kit.desktop", App("Kit", "Exec=kit"));
    EXPECT_EQ(NameOf(tool), "Tool");
    EXPECT_EQ(NameOf(kit), "Kit") << "the user's broken copy does not take the id from the system's";
}

TEST_F(ProgramIdentityTest, PackageVersionWithoutEpochAndRevisionElseTheNewestAppStreamRelease) {
    const std::string tool = Program("bin/tool", true);
    const std::string multi = Program("bin/multi", true);
    const std::string app = Program("bin/app");
    const std::string old = Program("bin/old", true);
    const std::string plain = Program("bin/plain.v2", true);
    Write("dpkg/status",
          "Package: tool\nStatus: install ok installed\nArchitecture: amd64\nVersion: 1:2.36.1-8+deb12u1\n"
          "Description: a tool\n with a long description\n\n"
          "Package: multi\r\nStatus: install ok installed\r\nArchitecture: amd64\r\nVersion: 3.0~rc1-1\r\n\r\n"
          "Package: old\nStatus: deinstall ok config-files\nArchitecture: amd64\nVersion: 0.9-1\n\n"
          "Package: app\nStatus: install ok installed\nVersion: 5.0\nArchitecture: all\n");
    Write("dpkg/info/tool.list", "/.\n/bin\n" + tool + "\n");
    Write("dpkg/info/multi:amd64.list", multi + "\n");
    Write("dpkg/info/old.list", old + "\n");
    Write("dpkg/info/unlisted.list", plain + "\n");
    Write("sys1/applications/org.example.App.desktop", App("The App", "Exec=app"));
    Write("metainfo/org.example.App.metainfo.xml",
          "<?xml version=\"1.0\"?>\n<!-- <developer_name>Not This</developer_name> -->\n"
          "<component type=\"desktop-application\">\n  <id>org.example.App</id>\n"
          "  <developer_name xml:lang=\"de\">Beispiel</developer_name>\n"
          "  <developer_name>Example &amp; Sons</developer_name>\n"
          "  <launchable type=\"desktop-id\">org.example.App.desktop</launchable>\n"
          "  <releases>\n    <release version=\"1.2\" date=\"2020-01-01\"/>\n"
          "    <release version=\"1.10\" date=\"2023-05-01\"><description><p>x</p></description></release>\n"
          "    <release version=\"1.9\" timestamp=\"1650000000\"/>\n  </releases>\n</component>\n");

    const ProgramIdentity t = Identify(tool);
    EXPECT_EQ(t.version, "2.36.1");
    EXPECT_EQ(t.name, "tool") << "an ELF file no entry runs is named after its file";
    EXPECT_EQ(t.publisher, "");
    EXPECT_EQ(Identify(multi).version, "3.0~rc1") << "a list named with the package's architecture";
    EXPECT_EQ(Identify(old).version, "") << "a removed package's files are not its own any more";
    EXPECT_EQ(Identify(plain).name, "plain.v2") << "the whole file name: an ELF file has no extension";

    const ProgramIdentity a = Identify(app);
    EXPECT_EQ(a.name, "The App");
    EXPECT_EQ(a.publisher, "Example & Sons");
    EXPECT_EQ(a.version, "1.10") << "no package owns it: the latest AppStream release";
    Write("dpkg/info/app.list", app + "\n");
    EXPECT_EQ(Identify(app).version, "5.0") << "a new .list file is seen and the package wins";

    ProgramIdentity names_only;
    ASSERT_TRUE(FindProgramIdentity(app, names_only, ProgramIdentityNeed::Names));
    EXPECT_EQ(names_only.name, "The App");
    EXPECT_EQ(names_only.publisher, "Example & Sons");
    EXPECT_EQ(names_only.version, "") << "asked for names only, neither the package nor AppStream answers a version";
    ASSERT_TRUE(FindProgramIdentity(tool, names_only, ProgramIdentityNeed::Names));
    EXPECT_EQ(names_only.name, "tool");
    EXPECT_EQ(names_only.version, "");
}

// The package part is held in its build by the test: what needs names goes on without it,
// and versions come once it is done.
TEST_F(ProgramIdentityTest, NamesDoNotWaitForThePackageDatabase) {
    const std::string prog = Program("bin/held", true);
    WaitForProgramIdentityIndex(ProgramIdentityNeed::Versions);  // both parts built without the files below
    Write("sys1/applications/held.desktop", App("Held Back", "Exec=held"));
    Write("dpkg/status", "Package: held\nStatus: install ok installed\nVersion: 3.1-1\n");
    Write("dpkg/info/held.list", prog + "\n");

    HeldPackageBuild held;  // the package part's build waits until the test lets it go
    RefreshProgramIdentityIndex(ProgramIdentityNeed::Versions);
    // Generous bounds that only keep a fault from hanging the run; nothing is timed.
    constexpr auto kHang = std::chrono::seconds(60);
    ASSERT_TRUE(held.Entered(kHang)) << "no package build started";

    auto names = std::async(std::launch::async, [] { WaitForProgramIdentityIndex(ProgramIdentityNeed::Names); });
    const bool names_done = names.wait_for(kHang) == std::future_status::ready;
    if (!names_done) held.Release();  // so that the wait ends and the test fails instead of hanging
    ASSERT_TRUE(names_done) << "the names-only wait waited for the package part";
    ProgramIdentity id;
    ASSERT_TRUE(FindProgramIdentity(prog, id, ProgramIdentityNeed::Names));
    EXPECT_EQ(id.name, "Held Back");
    ASSERT_TRUE(FindProgramIdentity(prog, id, ProgramIdentityNeed::Versions));
    EXPECT_EQ(id.name, "Held Back");
    EXPECT_EQ(id.version, "") << "the package part being built is not waited for by a lookup";

    held.Release();
    EXPECT_EQ(Identify(prog).version, "3.1") << "the package part answers once it is built";
    EXPECT_EQ(Identify(prog).name, "Held Back");
}

TEST_F(ProgramIdentityTest, ChangedFoldersAreReadAgain) {
    const std::string prog = Program("bin/prog");
    EXPECT_EQ(NameOf(prog), "");
    Write("home/applications/prog.desktop", App("Late Arrival", "Exec=prog"));
    EXPECT_EQ(NameOf(prog), "Late Arrival") << "a folder that did not exist at the first build";
    Write("dpkg/status", "Package: p\nStatus: install ok installed\nVersion: 7.1-2\n");
    Write("dpkg/info/p.list", prog + "\n");
    EXPECT_EQ(Identify(prog).version, "7.1");
    Write("dpkg/status", "Package: p\nStatus: install ok installed\nVersion: 7.2-1\n");
    EXPECT_EQ(Identify(prog).version, "7.2") << "an upgrade rewrites the status file";
    ::usleep(60 * 1000);  // past the clock tick of the writes
    EXPECT_EQ(NameOf(prog), "Late Arrival");
    Write("home/applications/prog.desktop", App("Edited", "Exec=prog"));
    EXPECT_EQ(NameOf(prog), "Edited") << "an entry edited in place";
}

TEST_F(ProgramIdentityTest, FlatpakAndSnapProgramsAreFoundThroughTheirExports) {
    const std::string launcher = Program("bin/flatpak");
    const std::string files = "flatpak/app/org.example.Flat/x86_64/stable/0a1b2c/files";
    const std::string flat = Program(files + "/bin/flat");
    ::symlink("x86_64/stable", Path("flatpak/app/org.example.Flat/current").c_str());
    ::symlink("0a1b2c", Path("flatpak/app/org.example.Flat/x86_64/stable/active").c_str());
    Write("flatpak/exports/share/applications/org.example.Flat.desktop",
          App("Flat App", "Exec=" + launcher +
                              " run --branch=stable --arch=x86_64 --command=flat org.example.Flat @@u %U @@\n"
                              "X-Flatpak=org.example.Flat"));
    Write(files + "/share/metainfo/org.example.Flat.metainfo.xml",
          "<component><id>org.example.Flat</id><developer><name>Flat Makers</name></developer>"
          "<releases><release version=\"4.2.0\" timestamp=\"1700000000\"/></releases></component>");
    // A user installation, found through XDG_DATA_HOME.
    const std::string user_flat = Program("home/flatpak/app/org.example.Mine/current/active/files/bin/mine");
    Write("home/flatpak/exports/share/applications/org.example.Mine.desktop", App("Mine", "Exec=flatpak run org.example.Mine"));

    const std::string snap = Program("snap/fox/123/usr/lib/fox/fox");
    Write("snap/fox/123/meta/snap.yaml", "name: fox\nversion: '120.0.1'\nsummary: a browser\n");
    Write("snapd/desktop/applications/fox_fox.desktop",
          App("Fox", "Exec=env BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/desktop/applications/fox_fox.desktop /snap/bin/fox "
                     "%u\nX-SnapInstanceName=fox"));

    const ProgramIdentity f = Identify(Path(files + "/bin/flat"));
    EXPECT_EQ(f.name, "Flat App");
    EXPECT_EQ(f.publisher, "Flat Makers");
    EXPECT_EQ(f.version, "4.2.0");
    EXPECT_EQ(NameOf(Path("flatpak/app/org.example.Flat/current/active/files/bin/flat")), "Flat App");
    EXPECT_EQ(NameOf(user_flat), "Mine");
    EXPECT_EQ(NameOf(launcher), "") << "the launcher is not the application it starts";

    const ProgramIdentity s = Identify(snap);
    EXPECT_EQ(s.name, "Fox");
    EXPECT_EQ(s.version, "120.0.1");

    // An older export without the snap's name, read as an ordinary data folder.
    const std::string owl = Program("snap/owl/7/bin/owl");
    Write("sys2/applications/owl_owl.desktop", App("Owl", "Exec=/snap/bin/owl.night %U"));
    EXPECT_EQ(NameOf(owl), "Owl");
}

TEST_F(ProgramIdentityTest, LookupsGoOnWhileTheIndexIsRebuilt) {
    const std::string prog = Program("bin/busy");
    Write("sys1/applications/busy.desktop", App("Busy", "Exec=busy"));
    WaitForProgramIdentityIndex(ProgramIdentityNeed::Versions);
    std::atomic<bool> done{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            while (!done) {
                ProgramIdentity id;
                FindProgramIdentity(prog, id);
                // Before and after each rebuild the entry is there: a lookup never sees less.
                if (id.name != "Busy" && id.name != "Busy Again") ++wrong;
            }
        });
    }
    // Replaced as installers do, through a new file renamed over the old one.
    auto replace = [&](const std::string& name) {
        Write("sys1/applications/busy.new", App(name, "Exec=busy"));
        fs::rename(Path("sys1/applications/busy.new"), Path("sys1/applications/busy.desktop"));
    };
    for (int round = 0; round < 20; ++round) {
        replace(round % 2 == 0 ? "Busy Again" : "Busy");
        RefreshProgramIdentityIndex(ProgramIdentityNeed::Versions);
    }
    replace("Busy Again");
    WaitForProgramIdentityIndex(ProgramIdentityNeed::Versions);
    done = true;
    for (auto& r : readers) r.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(NameOf(prog), "Busy Again");
}

TEST_F(ProgramIdentityTest, OnlyExecutableFilesAreLookedUp) {
    const fs::path data = dir_.write("bin/data", std::string("\x7F" "ELF", 4));
    ProgramIdentity id;
    id.name = "stale";
    EXPECT_FALSE(FindProgramIdentity(data.string(), id));
    EXPECT_EQ(id.name, "");
    EXPECT_FALSE(FindProgramIdentity(dir_.str(), id));
    EXPECT_FALSE(FindProgramIdentity(Path("bin/missing"), id));
    EXPECT_FALSE(FindProgramIdentity("relative/path", id));
    EXPECT_FALSE(FindProgramIdentity("", id));
}

}  // namespace
}  // namespace vanto::platform
