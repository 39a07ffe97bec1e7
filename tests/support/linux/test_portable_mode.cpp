// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Portable mode on real files: settings.ini into the registry and back, the keys removed,
// and the folder clean-up with links pointing out, read-only and hidden files, and the
// folders it must refuse.
#include "support/portable_mode.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "platform/registry.h"
#include "support/maker_key.h"
#include "testsupport/test_support.h"

namespace fs = std::filesystem;
using namespace vanto;
using platform::RegAccess;
using platform::RegKey;
using platform::RegRoot;
using vanto::testing::readFile;
using vanto::testing::ScopedEnv;
using vanto::testing::TempDir;

namespace {

class PortableModeTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv hive{"VANTOSCOPE_USER_HIVE", (dir.path() / "hive" / "registry.reg").string()};
    ScopedEnv data{"XDG_DATA_HOME", (dir.path() / "data").string()};
    ScopedEnv home{"HOME", (dir.path() / "home").string()};
    std::string ini = (dir.path() / "app" / "settings.ini").string();
    std::string exe = (dir.path() / "app" / "vantoscope").string();

    void SetUp() override {
        fs::create_directories(dir.path() / "app");
        fs::create_directories(dir.path() / "home");
    }

    RegKey SettingsKey() {
        RegKey key;
        EXPECT_TRUE(key.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::ReadWrite));
        return key;
    }
    static bool KeyExists(const std::string& path) {
        RegKey key;
        return key.Open(RegRoot::CurrentUser, path, RegAccess::Read);
    }
};

TEST_F(PortableModeTest, ImportReadsTextsAndNumbersAsTheProfileFunctionsDo) {
    const std::string long_text(3000, 'x');
    dir.write("app/settings.ini", "[Settings]\r\nLanguage=fr\r\nEmpty=\r\nLong=" + long_text +
                                      "\r\n[Settings_DWORD]\r\nWidth=423\r\nDollar=$10\r\nHex=0x10\r\nNeg=-5\r\n"
                                      "Word=abc\r\nAll=$FFFFFFFF\r\n");
    {
        RegKey key;
        ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::ReadWrite));
        ASSERT_TRUE(key.WriteString("Kept", "from before"));
    }
    ImportSettings("Vantoscope", ini);
    RegKey key = SettingsKey();
    std::string text;
    ASSERT_TRUE(key.ReadString("Language", text));
    EXPECT_EQ(text, "fr");
    ASSERT_TRUE(key.ReadString("Empty", text));
    EXPECT_EQ(text, "");
    ASSERT_TRUE(key.ReadString("Long", text));
    EXPECT_EQ(text, std::string(2047, 'x'));
    ASSERT_TRUE(key.ReadString("Kept", text)) << "values the file does not name stay";
    const struct {
        const char* name;
        std::uint32_t value;
    } numbers[] = {{"Width", 423}, {"Dollar", 16}, {"Hex", 16}, {"Neg", 0xFFFFFFFBu}, {"Word", 0}, {"All", 0xFFFFFFFFu}};
    for (const auto& n : numbers) {
        std::uint32_t v = 12345;
        ASSERT_TRUE(key.ReadDword(n.name, v)) << n.name;
        EXPECT_EQ(v, n.value) << n.name;
    }
}

TEST_F(PortableModeTest, ExportWritesStringsAndIntegersAndSkipsOtherTypes) {
    {
        RegKey key;
        ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::ReadWrite));
        ASSERT_TRUE(key.WriteString("Language", "de"));
        ASSERT_TRUE(key.WriteDword("Neg", 0xFFFFFFFBu));
        platform::RegValue binary;
        binary.type = platform::kRegBinary;
        binary.data = "\x01\x02";
        ASSERT_TRUE(key.WriteValue("Blob", binary));
        platform::RegValue expand;
        expand.type = platform::kRegExpandSz;
        expand.data = std::string("%HOME%\0", 7);
        ASSERT_TRUE(key.WriteValue("Path", expand));
    }
    dir.write("app/settings.ini", "; kept\r\n[Settings]\r\nOld=stays\r\n");
    ASSERT_TRUE(ExportSettings("Vantoscope", ini));
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings", "Language", "?"), "de");
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings_DWORD", "Neg", "?"), "-5");
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings", "Old", "?"), "stays");
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings", "Blob", "?"), "?");
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings", "Path", "?"), "?");
    EXPECT_EQ(readFile(ini).rfind("; kept", 0), 0u);

    // Round trip: the exported file imports to the same values.
    DeleteSettingsKey("Vantoscope");
    ImportSettings("Vantoscope", ini);
    std::uint32_t v = 0;
    ASSERT_TRUE(SettingsKey().ReadDword("Neg", v));
    EXPECT_EQ(v, 0xFFFFFFFBu);
}

TEST_F(PortableModeTest, UnwritableSettingsFileFailsTheExport) {
    {
        RegKey key;
        ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::ReadWrite));
        ASSERT_TRUE(key.WriteString("Language", "de"));
    }
    // Unwritable even for root: a folder where the file should be, and a file too large to
    // be read back whole.
    fs::create_directories(dir.path() / "app" / "settings.ini");
    EXPECT_FALSE(ExportSettings("Vantoscope", ini));
    fs::remove(dir.path() / "app" / "settings.ini");
    const std::string big = "[Settings]\r\nLanguage=fr\r\n" + std::string(17 * 1024 * 1024, ';');
    dir.write("app/settings.ini", big);
    EXPECT_FALSE(ExportSettings("Vantoscope", ini));
    EXPECT_EQ(fs::file_size(ini), big.size());
}

TEST_F(PortableModeTest, TextWithALineBreakIsLeftOutInsteadOfCorruptingTheFile) {
    {
        RegKey key;
        ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::ReadWrite));
        ASSERT_TRUE(key.WriteString("Bad", "one\r\n[Settings_DWORD]\r\nInjected=1"));
    }
    std::vector<std::string> dropped;
    EXPECT_TRUE(ExportSettings("Vantoscope", ini, &dropped));
    EXPECT_EQ(dropped, std::vector<std::string>{"Bad"});
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings_DWORD", "Injected", "?"), "?");
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings", "Bad", "?"), "?");
}

TEST_F(PortableModeTest, KeysAreRemovedAndTheMakerKeyOnlyWhenEmpty) {
    RegisterProgramPath("Vantoscope", exe);
    RegisterProgramPath("Orvo", "/opt/orvo");
    {
        RegKey key;
        ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope\\Deeper", RegAccess::ReadWrite));
        ASSERT_TRUE(key.WriteString("x", "y"));
    }
    DeleteSettingsKey("Vantoscope");
    EXPECT_FALSE(KeyExists("SOFTWARE\\Ombrevale\\Vantoscope"));
    UnregisterProgramPath("Vantoscope");
    DeleteMakerKeyIfEmpty();
    EXPECT_TRUE(KeyExists("SOFTWARE\\Ombrevale")) << "another program's value keeps it";
    UnregisterProgramPath("Orvo");
    DeleteMakerKeyIfEmpty();
    EXPECT_FALSE(KeyExists("SOFTWARE\\Ombrevale"));
    DeleteMakerKeyIfEmpty();  // nothing there: nothing happens
}

TEST_F(PortableModeTest, AStoreLeftEmptyGoesWithItsLock) {
    const fs::path store = dir.path() / "hive" / "registry.reg";
    const fs::path lock = dir.path() / "hive" / "registry.reg.lock";
    struct Case {
        const char* what;
        const char* other_key;    // a key of someone else, "" for none
        const char* other_value;  // a value under SOFTWARE, "" for none
        bool removed;
    };
    const Case cases[] = {
        {"nothing of anyone: the file and its lock go", "", "", true},
        {"another program's empty key stays", "SOFTWARE\\Other", "", false},
        {"a key beside SOFTWARE stays", "Console", "", false},
        {"a value under SOFTWARE stays", "", "x", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir.path() / "hive");
        RegisterProgramPath("Vantoscope", exe);
        RegKey key;
        if (*c.other_key != '\0') {
            ASSERT_TRUE(key.Create(RegRoot::CurrentUser, c.other_key, RegAccess::ReadWrite));
        }
        if (*c.other_value != '\0') {
            ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE", RegAccess::ReadWrite));
            ASSERT_TRUE(key.WriteString(c.other_value, "kept"));
        }
        key.Close();
        UnregisterProgramPath("Vantoscope");
        DeleteMakerKeyIfEmpty();
        EXPECT_FALSE(KeyExists("SOFTWARE\\Ombrevale"));
        EXPECT_EQ(fs::exists(store), !c.removed);
        EXPECT_EQ(fs::exists(lock), !c.removed);
        if (!c.removed && *c.other_key != '\0') {
            EXPECT_TRUE(KeyExists(c.other_key));
        }
    }
    // The maker's settings folder in the user's configuration goes with it when it is empty.
    {
        ScopedEnv no_override{"VANTOSCOPE_USER_HIVE", ""};
        ScopedEnv config{"XDG_CONFIG_HOME", (dir.path() / "config").string()};
        RegisterProgramPath("Vantoscope", exe);
        ASSERT_TRUE(fs::exists(dir.path() / "config" / "Ombrevale" / "registry.reg"));
        UnregisterProgramPath("Vantoscope");
        DeleteMakerKeyIfEmpty();
        EXPECT_FALSE(fs::exists(dir.path() / "config" / "Ombrevale"));
        EXPECT_TRUE(fs::exists(dir.path() / "config")) << "only its own folder";
    }
    // A store that could not be read is never removed.
    fs::remove_all(dir.path() / "hive");
    fs::create_directories(dir.path() / "hive");
    {
        std::ofstream(store) << "not a hive";
    }
    ::chmod(store.c_str(), 0);
    if (::geteuid() != 0) {
        DeleteMakerKeyIfEmpty();
        EXPECT_FALSE(platform::RemoveUserStoreIfEmpty());
        EXPECT_TRUE(fs::exists(store));
    }
    ::chmod(store.c_str(), 0600);
}

TEST_F(PortableModeTest, HostileSettingsFilesImportBoundedAndWithoutCrash) {
    std::string many = "[Settings]\n";
    for (int i = 0; i < 100000; ++i) {
        many += 'k';
        many += std::to_string(i);
        many += "=v\n";
    }
    const struct {
        const char* what;
        std::string content;
    } cases[] = {
        {"no line breaks", std::string(100000, ' ').insert(0, "[Settings] A=1 [Settings_DWORD] B=2")},
        {"NULs", std::string("[Settings]\nA=1\0B=2\n[Settings_DWORD]\nC=\0\n", 40)},
        {"100,000 entries", many},
        {"16,000-byte name", "[Settings]\n" + std::string(16000, 'n') + "=v\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteSettingsKey("Vantoscope");
        dir.write("app/settings.ini", c.content);
        ImportSettings("Vantoscope", ini);
        RegKey key;
        ASSERT_TRUE(key.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::Read));
        std::vector<std::string> names;
        ASSERT_TRUE(key.GetValueNames(names));
        // The names that fit the list buffer are imported, no more.
        std::size_t bytes = 1;
        for (const auto& n : names) bytes += n.size() + 1;
        EXPECT_LE(bytes, 2 * platform::kProfileNamesBufferSize);
    }
}

// The clean-up of a folder tree.
class DeleteFolderFilesTest : public PortableModeTest {};

TEST_F(DeleteFolderFilesTest, DeletesEverythingInsideButNotWhatLinksPointAt) {
    const fs::path target = dir.path() / "outside";
    dir.write("outside/precious.txt", "keep me");
    dir.write("data/Ombrevale/Vantoscope/Vantoscope.log", "log");
    dir.write("data/Ombrevale/Vantoscope/.hidden", "h");
    dir.write("data/Ombrevale/Vantoscope/sub/deeper/file.bin", "b");
    const fs::path folder = dir.path() / "data" / "Ombrevale" / "Vantoscope";
    const fs::path read_only = folder / "sub" / "ro.txt";
    dir.write("data/Ombrevale/Vantoscope/sub/ro.txt", "r");
    ::chmod(read_only.c_str(), 0444);
    fs::create_directory_symlink(target, folder / "link-to-folder");
    fs::create_symlink(target / "precious.txt", folder / "sub" / "link-to-file");
    fs::create_symlink(dir.path() / "nowhere", folder / "dangling");

    EXPECT_TRUE(DeleteFolderFiles(folder.string() + "/", "*", exe));
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder)));
    EXPECT_EQ(readFile(target / "precious.txt"), "keep me");
    EXPECT_TRUE(fs::exists(dir.path() / "data" / "Ombrevale")) << "only the folder given";

    RemoveMakerDataFolder();
    EXPECT_FALSE(fs::exists(dir.path() / "data" / "Ombrevale"));
}

// A data folder that is a link is someone's arrangement: neither it nor what it names is touched,
// and a maker folder that is a link is not removed either.
TEST_F(DeleteFolderFilesTest, FolderThatIsALinkIsLeftAlone) {
    dir.write("outside/precious.txt", "keep me");
    fs::create_directories(dir.path() / "data" / "Ombrevale");
    const fs::path link = dir.path() / "data" / "Ombrevale" / "Vantoscope";
    fs::create_directory_symlink(dir.path() / "outside", link);
    DeleteFolderFiles(link.string() + "/", "*", exe);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(dir.path() / "outside" / "precious.txt"), "keep me");

    fs::remove(link);
    fs::remove(dir.path() / "data" / "Ombrevale");
    fs::create_directories(dir.path() / "elsewhere");
    fs::create_directory_symlink(dir.path() / "elsewhere", dir.path() / "data" / "Ombrevale");
    RemoveMakerDataFolder();
    EXPECT_TRUE(fs::is_symlink(dir.path() / "data" / "Ombrevale"));
}

// A value the file cannot hold does not stop the others from going back, and is named.
TEST_F(PortableModeTest, ExportLeavesOutAValueWithALineBreakAndWritesTheRest) {
    {
        RegKey key;
        ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::ReadWrite));
        ASSERT_TRUE(key.WriteString("Before", "1"));
        ASSERT_TRUE(key.WriteString("Broken", "two\rlines"));
        ASSERT_TRUE(key.WriteString("Also", "a\nb"));
        ASSERT_TRUE(key.WriteString("After", "3"));
        ASSERT_TRUE(key.WriteDword("Width", 640));
    }
    std::vector<std::string> dropped;
    EXPECT_TRUE(ExportSettings("Vantoscope", ini, &dropped));
    EXPECT_EQ(dropped, (std::vector<std::string>{"Broken", "Also"}));
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings", "Before", "?"), "1");
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings", "After", "?"), "3");
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings", "Broken", "?"), "?");
    EXPECT_EQ(platform::ReadProfileInteger(ini, "Settings_DWORD", "Width", 0), 640);
}

// The export reads and writes the file once per section, not once per value: many entries
// behind a long comment keep their order and every other line.
TEST_F(PortableModeTest, ExportOfManyValuesKeepsTheFileAndItsOrder) {
    std::string initial = "; ";
    initial.append(100000, 'c');
    initial += "\r\n[Settings]\r\nOld=keep\r\nN5=old\r\n";
    dir.write("app/settings.ini", initial);
    std::vector<std::pair<std::string, platform::RegValue>> values;
    for (int i = 0; i < 2000; ++i)
        values.emplace_back(std::string("N").append(std::to_string(i)),
                            platform::RegValue::String(std::string("v").append(std::to_string(i))));
    {
        RegKey key;
        ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::ReadWrite));
        ASSERT_TRUE(key.WriteValues(values));
    }
    ASSERT_TRUE(ExportSettings("Vantoscope", ini));
    const std::string text = readFile(ini);
    EXPECT_EQ(text.rfind("; ccc", 0), 0u) << "the comment stays";
    EXPECT_NE(text.find("Old=keep\r\nN5=v5\r\nN0=v0\r\n"), std::string::npos) << "replaced in place, new ones after";
    EXPECT_EQ(platform::ReadProfileEntryNames(ini, "Settings", 1 << 20).size(), 2001u);
    EXPECT_EQ(platform::ReadProfileText(ini, "Settings", "N1999", "?"), "v1999");
}

TEST_F(DeleteFolderFilesTest, ProtectedFoldersAreNeverTouched) {
    dir.write("app/settings.ini", "[Settings]\n");
    dir.write("home/notes.txt", "n");
    dir.write("app/sub/x.txt", "x");
    const struct {
        const char* what;
        std::string folder;
    } cases[] = {
        {"the executable's folder", (dir.path() / "app").string() + "/"},
        {"the same through a dot", (dir.path() / "app" / "sub" / "..").string()},
        {"a folder holding it", dir.path().string()},
        {"the home folder", (dir.path() / "home").string()},
        {"the root", "/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(IsProtectedFolder(c.folder, exe));
        if (c.folder != "/") DeleteFolderFiles(c.folder, "*", exe);
    }
    EXPECT_EQ(readFile(dir.path() / "app" / "settings.ini"), "[Settings]\n");
    EXPECT_EQ(readFile(dir.path() / "home" / "notes.txt"), "n");
    EXPECT_EQ(readFile(dir.path() / "app" / "sub" / "x.txt"), "x");
    EXPECT_FALSE(IsProtectedFolder((dir.path() / "app" / "sub").string(), exe)) << "below the executable is fine";
}

TEST_F(DeleteFolderFilesTest, MaskSelectsEntriesByExtension) {
    const fs::path folder = dir.path() / "store";
    dir.write("store/a.SPK", "1");
    dir.write("store/b.spk", "2");
    dir.write("store/c.txt", "3");
    dir.write("store/d.SPK/e.SPK", "4");
    dir.write("store/d.SPK/f.txt", "5");
    DeleteFolderFiles(folder.string(), "SPK", exe);
    EXPECT_FALSE(fs::exists(folder / "a.SPK"));
    EXPECT_FALSE(fs::exists(folder / "b.spk"));
    EXPECT_TRUE(fs::exists(folder / "c.txt"));
    EXPECT_FALSE(fs::exists(folder / "d.SPK" / "e.SPK"));
    EXPECT_TRUE(fs::exists(folder / "d.SPK" / "f.txt"));
}

TEST_F(DeleteFolderFilesTest, ThereIsNoVirtualStoreHere) {
    fs::create_directories(dir.path() / "data" / "VirtualStore" / "app");
    EXPECT_EQ(CleanVirtualStore((dir.path() / "app").string() + "/"), "");
    EXPECT_TRUE(fs::exists(dir.path() / "data" / "VirtualStore" / "app"));
}

}  // namespace
