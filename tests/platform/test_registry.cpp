// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The registry interface on both backends: the same cases against private hive files on
// Linux and against the real registry on Windows (under Wine, the prefix's). The hive files'
// own rules (their text, locking, corrupt files) are in linux/test_registry_hive.cpp.
#include "platform/registry.h"

#include "testsupport/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#endif

namespace fs = std::filesystem;
using namespace vanto::platform;
using vanto::testing::RunningUnderWine;
using vanto::testing::ScopedEnv;
using vanto::testing::TempDir;

namespace {

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Every test works below keys of its own: on Linux fresh hive files make the whole registry
// its own; on Windows the real registry is shared, so the test's keys carry a name no other
// program uses and are deleted afterwards, in both views.
class Registry : public ::testing::Test {
protected:
#ifdef _WIN32
    const std::string own = "Vantoscope test " + std::to_string(GetCurrentProcessId());
    const std::string user_base = "Software\\" + own + "\\";
    void TearDown() override {
        DeleteRegistryTree(RegRoot::CurrentUser, "Software\\" + own);
        for (RegView view : {RegView::View64, RegView::View32}) {
            DeleteRegistryTree(RegRoot::LocalMachine, "SOFTWARE\\" + own, view);
        }
        DeleteRegistryTree(RegRoot::LocalMachine, "SYSTEM\\" + own);
    }
    // Writes the machine keys of the views test; false when this user may not (no administrator).
    bool SeedMachine() {
        RegKey key;
        if (!key.Create(RegRoot::LocalMachine, "SOFTWARE\\" + own, RegAccess::ReadWrite, RegView::View64)) return false;
        if (!key.WriteString("Bits", "64")) return false;
        if (!key.Create(RegRoot::LocalMachine, "SOFTWARE\\" + own, RegAccess::ReadWrite, RegView::View32)) return false;
        if (!key.WriteString("Bits", "32") || !key.WriteValue("Long", RegValue{kRegBinary, "\x01\x02\x03\x04"}))
            return false;
        return key.Create(RegRoot::LocalMachine, "SYSTEM\\" + own, RegAccess::ReadWrite) &&
               key.WriteString("", "same for both");
    }
    void Reread() {}  // the system keeps no copy of its own in this process
#else
    const std::string own = "Vendor";
    const std::string user_base = "SOFTWARE\\";
    TempDir dir;
    fs::path user_hive = dir.path() / "config" / "registry.reg";
    fs::path machine_hive = dir.path() / "machine.reg";
    ScopedEnv user_env{"VANTOSCOPE_USER_HIVE", user_hive.string()};
    ScopedEnv machine_env{"VANTOSCOPE_MACHINE_HIVE", machine_hive.string()};
    int copies = 0;

    // The machine hive is read-only for the program: it is written as a file.
    bool SeedMachine() {
        dir.write("machine.reg",
                  "REGEDIT4\r\n"
                  "\r\n"
                  "; a hand-written machine hive\r\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n"
                  "\"Bits\"=\"64\"\r\n"
                  "\r\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Vendor]\r\n"
                  "\"Bits\"=\"32\"\r\n"
                  "\"Long\"=hex:01,02,\\\r\n"
                  "  03,04\r\n"
                  "\r\n"
                  "[HKEY_LOCAL_MACHINE\\SYSTEM\\Vendor]\r\n"
                  "@=\"same for both\"\r\n");
        return true;
    }
    // Points the user hive at a copy of its file, so that what follows is read from the file
    // itself and not from anything this process remembers.
    void Reread() {
        fs::path copy = dir.path() / ("copy" + std::to_string(++copies) + ".reg");
        fs::copy_file(user_hive, copy);
        ::setenv("VANTOSCOPE_USER_HIVE", copy.string().c_str(), 1);
    }
#endif
    // A key of the test below HKEY_CURRENT_USER.
    std::string User(const std::string& path) const { return user_base + path; }
};

RegValue Raw(std::uint32_t type, std::string data) { return RegValue{type, std::move(data)}; }

}  // namespace

TEST_F(Registry, EveryValueTypeRoundTrips) {
    std::string all_bytes;
    for (int b = 0; b < 256; ++b) all_bytes.push_back(static_cast<char>(b));
    // Written in name order (letters folded), which is also the order Wine enumerates values in.
    const std::vector<std::pair<std::string, RegValue>> table = {
        {"", RegValue::String("the default value")},
        {"Answer", RegValue::Dword(42)},
        {"Binary", Raw(kRegBinary, all_bytes)},
        {"Empty", RegValue::String("")},
        {"EmptyBinary", Raw(kRegBinary, "")},
        {"Expand", Raw(kRegExpandSz, std::string("%TEMP%\\x\0", 9))},
        {"Line break", RegValue::String("two\nlines\r\n")},
        {"Max", RegValue::Dword(0xFFFFFFFFu)},
        {"Multi", Raw(kRegMultiSz, std::string("one\0two\0\0", 9))},
        {"name=with]=signs[", RegValue::String("[not a key]")},
        {"None", Raw(kRegNone, "x")},
        {"Odd type", Raw(0x12345u, "\xFF")},
        {"Plain", RegValue::String("C:\\Program Files\\Vantoscope\\vantoscope.exe")},
        {"Quotes \"and\" \\slashes\\", RegValue::String("say \"hi\" \\ back\\")},
        {"Qword", Raw(kRegQword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8))},
        {"Short dword", Raw(kRegDword, "\x01\x02")},
        {"String without NUL", Raw(kRegSz, "abc")},
        {"Zero", RegValue::Dword(0)},
    };
    {
        RegKey key;
        ASSERT_TRUE(key.Create(RegRoot::CurrentUser, User("Ombrevale\\Types"), RegAccess::ReadWrite));
        for (const auto& [name, value] : table) ASSERT_TRUE(key.WriteValue(name, value)) << name;
    }
    Reread();

    RegKey key;
    ASSERT_TRUE(key.Open(RegRoot::CurrentUser, User("Ombrevale\\Types"), RegAccess::Read));
    std::vector<std::string> names;
    ASSERT_TRUE(key.GetValueNames(names));
    ASSERT_EQ(names.size(), table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(names[i], table[i].first) << "values keep the order they were written in";
        RegValue back;
        ASSERT_TRUE(key.ReadValue(table[i].first, back)) << table[i].first;
#ifdef _WIN32
        // The 8-bit calls store a string value as UTF-16 and convert it back; Wine then adds
        // the terminator the data lacked. ReadString below reads the same text either way.
        if (table[i].first == "String without NUL") continue;
#endif
        EXPECT_EQ(back, table[i].second) << table[i].first;
    }

    std::string text;
    std::uint32_t number = 0;
    EXPECT_TRUE(key.ReadString("Plain", text));
    EXPECT_EQ(text, "C:\\Program Files\\Vantoscope\\vantoscope.exe");
    EXPECT_TRUE(key.ReadString("String without NUL", text));
    EXPECT_EQ(text, "abc");
    EXPECT_TRUE(key.ReadDword("Max", number));
    EXPECT_EQ(number, 0xFFFFFFFFu);
    EXPECT_FALSE(key.ReadString("Expand", text)) << "only REG_SZ reads as a string";
    EXPECT_FALSE(key.ReadString("Answer", text));
    EXPECT_FALSE(key.ReadDword("Plain", number));
    EXPECT_FALSE(key.ReadDword("Short dword", number)) << "a REG_DWORD must hold four bytes";
    EXPECT_FALSE(key.ReadDword("Missing", number));

    // Windows and the Linux hive enumerate values in the order they were first written; Wine
    // keeps them sorted by name.
    RegKey order;
    ASSERT_TRUE(order.Create(RegRoot::CurrentUser, User("Ombrevale\\Order"), RegAccess::ReadWrite));
    ASSERT_TRUE(order.WriteString("b", "1") && order.WriteString("a", "2") && order.WriteString("B", "3"));
    ASSERT_TRUE(order.GetValueNames(names));
    const std::vector<std::string> expected =
        RunningUnderWine() ? std::vector<std::string>{"a", "b"} : std::vector<std::string>{"b", "a"};
    EXPECT_EQ(names, expected);
}

TEST_F(Registry, NamesFoldCaseAndSubkeysEnumerateInRegistryOrder) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, User("Ombrevale"), RegAccess::ReadWrite));
    ASSERT_TRUE(key.WriteString("Name", "one"));
    ASSERT_TRUE(key.WriteString("NAME", "two"));
    for (const char* sub : {"b", "_x", "A", "c"}) {
        RegKey child;
        ASSERT_TRUE(child.Create(RegRoot::CurrentUser, User(std::string("OMBREVALE\\") + sub), RegAccess::Read));
    }

    RegKey again;
    ASSERT_TRUE(again.Open(RegRoot::CurrentUser, User("ombrevale\\"), RegAccess::Read));
    std::vector<std::string> names;
    ASSERT_TRUE(again.GetValueNames(names));
    EXPECT_EQ(names, std::vector<std::string>{"Name"}) << "one value, with the case it was created with";
    std::string text;
    ASSERT_TRUE(again.ReadString("name", text));
    EXPECT_EQ(text, "two");
    ASSERT_TRUE(again.GetSubKeyNames(names));
    // Sorted with letters upper-cased, so "_" comes after them; Wine folds them to lower case.
    const std::vector<std::string> sorted = RunningUnderWine() ? std::vector<std::string>{"_x", "A", "b", "c"}
                                                               : std::vector<std::string>{"A", "b", "c", "_x"};
    EXPECT_EQ(names, sorted);
    std::size_t subkeys = 0;
    std::size_t values = 0;
    ASSERT_TRUE(again.QueryInfo(subkeys, values));
    EXPECT_EQ(subkeys, 4u);
    EXPECT_EQ(values, 1u);

    RegKey top;
    ASSERT_TRUE(top.Open(RegRoot::CurrentUser, "", RegAccess::Read)) << "the empty path is the root";
    ASSERT_TRUE(top.GetSubKeyNames(names));
    EXPECT_TRUE(Contains(names, "Software") || Contains(names, "SOFTWARE"));
}

TEST_F(Registry, OpenOnlyCreateOrOpenAndAccess) {
    RegKey key;
    EXPECT_FALSE(key.Open(RegRoot::CurrentUser, User("Ombrevale"), RegAccess::Read)) << "a missing key";
    EXPECT_FALSE(key.IsOpen());
#ifndef _WIN32
    EXPECT_FALSE(fs::exists(user_hive)) << "opening never writes";
#endif

    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, User("Ombrevale\\Vantoscope"), RegAccess::Read));
    EXPECT_TRUE(key.IsOpen());
    EXPECT_FALSE(key.WriteString("x", "y")) << "read access does not write";
    EXPECT_FALSE(key.DeleteValue("x"));
    RegKey parent;
    EXPECT_TRUE(parent.Open(RegRoot::CurrentUser, User("Ombrevale"), RegAccess::ReadWrite)) << "parents are created";

    // Paths no key can have. On Linux also a line break (the hive text could not hold it) and
    // empty names between separators; the system registry takes any character but "\" in a
    // name and makes its own sense of doubled separators.
    std::vector<std::string> bad = {User(std::string(256, 'k'))};
    bad.push_back(std::string(1, '\\').append(User("Ombrevale")));  // leading separator
#ifndef _WIN32
    bad.push_back(User("Ombre\nvale"));
    bad.push_back(User("\\Ombrevale"));
    bad.push_back(User("Ombrevale\\\\"));
#endif
    for (const std::string& path : bad)
        EXPECT_FALSE(key.Create(RegRoot::CurrentUser, path, RegAccess::ReadWrite)) << path;
    // Wine's 8-bit calls take at most 260 characters of path in all, less than this one.
    if (!RunningUnderWine()) {
        EXPECT_TRUE(key.Create(RegRoot::CurrentUser, User(std::string(255, 'k')), RegAccess::ReadWrite));
    }
    EXPECT_FALSE(key.Open(RegRoot::CurrentUser, User(std::string(256, 'k')), RegAccess::Read));
#ifndef _WIN32
    EXPECT_FALSE(key.WriteString("bad\nname", "x")) << "a line break cannot be kept in a value name";
#endif

    RegKey closed;
    std::vector<std::string> names;
    EXPECT_FALSE(closed.GetSubKeyNames(names));
    EXPECT_FALSE(closed.WriteString("x", "y"));
}

TEST_F(Registry, DeletingATreeDeletesEverythingBelowIt) {
    for (const char* path :
         {"Ombrevale\\Vantoscope\\Deep\\Deeper", "Ombrevale\\Vantoscope\\Other", "Ombrevale\\Orvo"}) {
        RegKey key;
        ASSERT_TRUE(key.Create(RegRoot::CurrentUser, User(path), RegAccess::ReadWrite));
        ASSERT_TRUE(key.WriteString("v", path));
    }
    RegKey stale;
    ASSERT_TRUE(stale.Open(RegRoot::CurrentUser, User("Ombrevale\\Vantoscope\\Deep"), RegAccess::ReadWrite));

    ASSERT_TRUE(DeleteRegistryTree(RegRoot::CurrentUser, User("ombrevale\\vantoscope\\")));

    RegKey key;
    for (const char* gone :
         {"Ombrevale\\Vantoscope", "Ombrevale\\Vantoscope\\Other", "Ombrevale\\Vantoscope\\Deep\\Deeper"}) {
        EXPECT_FALSE(key.Open(RegRoot::CurrentUser, User(gone), RegAccess::Read)) << gone;
    }
    ASSERT_TRUE(key.Open(RegRoot::CurrentUser, User("Ombrevale"), RegAccess::Read));
    std::vector<std::string> names;
    ASSERT_TRUE(key.GetSubKeyNames(names));
    EXPECT_EQ(names, std::vector<std::string>{"Orvo"});

    std::string text;
    EXPECT_FALSE(stale.ReadString("v", text)) << "a handle to a deleted key reads nothing";
    EXPECT_FALSE(stale.WriteString("v", "again")) << "and does not bring the key back";
    EXPECT_FALSE(key.Open(RegRoot::CurrentUser, User("Ombrevale\\Vantoscope"), RegAccess::Read));

    EXPECT_FALSE(DeleteRegistryTree(RegRoot::CurrentUser, User("Ombrevale\\Vantoscope"))) << "already gone";
    EXPECT_FALSE(DeleteRegistryTree(RegRoot::CurrentUser, "")) << "the root stays";
    EXPECT_FALSE(DeleteRegistryTree(RegRoot::CurrentUser, "\\"));

    RegKey orvo;
    ASSERT_TRUE(orvo.Open(RegRoot::CurrentUser, User("Ombrevale\\Orvo"), RegAccess::ReadWrite));
    EXPECT_TRUE(orvo.DeleteValue("V"));
    EXPECT_FALSE(orvo.DeleteValue("v")) << "deleting a missing value fails";
}

TEST_F(Registry, ViewsAreSeparateOnlyUnderMachineSoftware) {
    if (!SeedMachine()) GTEST_SKIP() << "the machine keys need an administrator";
    const std::string software = "SOFTWARE\\" + own;
    const std::string wow = "SOFTWARE\\Wow6432Node\\" + own;
    const std::string system = "SYSTEM\\" + own;

    auto read = [](RegRoot root, const std::string& path, RegView view, const std::string& name) {
        RegKey key;
        std::string text;
        if (!key.Open(root, path, RegAccess::Read, view) || !key.ReadString(name, text)) return std::string("<none>");
        return text;
    };
    EXPECT_EQ(read(RegRoot::LocalMachine, software, RegView::Native, "Bits"), "64");
    EXPECT_EQ(read(RegRoot::LocalMachine, software, RegView::View64, "Bits"), "64");
    EXPECT_EQ(read(RegRoot::LocalMachine, software, RegView::View32, "Bits"), "32");
    EXPECT_EQ(read(RegRoot::LocalMachine, "software\\wow6432node\\" + own, RegView::View64, "Bits"), "32");
    EXPECT_EQ(read(RegRoot::LocalMachine, wow, RegView::View32, "Bits"), "32")
        << "an explicit Wow6432Node path is not redirected twice";
    EXPECT_EQ(read(RegRoot::LocalMachine, system, RegView::View32, ""), "same for both");
    EXPECT_EQ(read(RegRoot::LocalMachine, system, RegView::View64, ""), "same for both");

    RegKey key;
    RegValue value;
    ASSERT_TRUE(key.Open(RegRoot::LocalMachine, software, RegAccess::Read, RegView::View32));
    ASSERT_TRUE(key.ReadValue("Long", value));
    EXPECT_EQ(value, Raw(kRegBinary, "\x01\x02\x03\x04"));

    std::vector<std::string> names;
    ASSERT_TRUE(key.Open(RegRoot::LocalMachine, "SOFTWARE", RegAccess::Read, RegView::View64));
    ASSERT_TRUE(key.GetSubKeyNames(names));
    EXPECT_TRUE(Contains(names, own));
    EXPECT_TRUE(Contains(names, "Wow6432Node") || Contains(names, "WOW6432Node"));
    ASSERT_TRUE(key.Open(RegRoot::LocalMachine, "SOFTWARE", RegAccess::Read, RegView::View32));
    ASSERT_TRUE(key.GetSubKeyNames(names));
    EXPECT_TRUE(Contains(names, own));
    EXPECT_FALSE(Contains(names, "Wow6432Node") || Contains(names, "WOW6432Node"));

    // The user's SOFTWARE is shared between the views, as on Windows.
    RegKey user;
    ASSERT_TRUE(user.Create(RegRoot::CurrentUser, User("Ombrevale"), RegAccess::ReadWrite, RegView::View32));
    ASSERT_TRUE(user.WriteString("Vantoscope", "path"));
    EXPECT_EQ(read(RegRoot::CurrentUser, User("Ombrevale"), RegView::View64, "Vantoscope"), "path");
}
