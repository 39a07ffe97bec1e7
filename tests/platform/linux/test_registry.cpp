// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "platform/registry.h"

#include "testsupport/test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;
using namespace vanto::platform;
using vanto::testing::readFile;
using vanto::testing::TempDir;

using vanto::testing::ScopedEnv;

namespace {

// Each test gets its own hives: the user hive in a folder that does not exist yet.
class RegistryTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path user_hive = dir.path() / "config" / "registry.reg";
    fs::path machine_hive = dir.path() / "machine.reg";
    ScopedEnv user_env{"VANTOSCOPE_USER_HIVE", user_hive.string()};
    ScopedEnv machine_env{"VANTOSCOPE_MACHINE_HIVE", machine_hive.string()};

    void WriteMachineHive(const std::string& text) { dir.write("machine.reg", text); }

    // Points the user hive at a copy of its file, so that what follows is read from the file
    // itself and not from anything this process remembers.
    void RereadFromCopy(const std::string& name) {
        fs::path copy = dir.path() / name;
        fs::copy_file(user_hive, copy);
        ::setenv("VANTOSCOPE_USER_HIVE", copy.string().c_str(), 1);
    }
};

RegValue Raw(std::uint32_t type, std::string data) { return RegValue{type, std::move(data)}; }

TEST_F(RegistryTest, EveryValueTypeRoundTripsThroughTheHiveFile) {
    std::string all_bytes;
    for (int b = 0; b < 256; ++b) all_bytes.push_back(static_cast<char>(b));
    const std::vector<std::pair<std::string, RegValue>> table = {
        {"Plain", RegValue::String("C:\\Program Files\\Vantoscope\\vantoscope.exe")},
        {"Quotes \"and\" \\slashes\\", RegValue::String("say \"hi\" \\ back\\")},
        {"Empty", RegValue::String("")},
        {"Utf8", RegValue::String("caf\xC3\xA9 \xE2\x84\xA2")},
        {"Line break", RegValue::String("two\nlines\r\n")},
        {"Zero", RegValue::Dword(0)},
        {"Max", RegValue::Dword(0xFFFFFFFFu)},
        {"Answer", RegValue::Dword(42)},
        {"Expand", Raw(kRegExpandSz, std::string("%TEMP%\\x\0", 9))},
        {"Binary", Raw(kRegBinary, all_bytes)},
        {"EmptyBinary", Raw(kRegBinary, "")},
        {"Multi", Raw(kRegMultiSz, std::string("one\0two\0\0", 9))},
        {"Qword", Raw(kRegQword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8))},
        {"None", Raw(kRegNone, "x")},
        {"Odd type", Raw(0x12345u, "\xFF")},
        {"String without NUL", Raw(kRegSz, "abc")},
        {"Short dword", Raw(kRegDword, "\x01\x02")},
        {"", RegValue::String("the default value")},
        {"name=with]=signs[", RegValue::String("[not a key]")},
    };
    {
        RegKey key;
        ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Types", RegAccess::ReadWrite));
        for (const auto& [name, value] : table) ASSERT_TRUE(key.WriteValue(name, value)) << name;
    }
    RereadFromCopy("copy.reg");

    RegKey key;
    ASSERT_TRUE(key.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Types", RegAccess::Read));
    std::vector<std::string> names;
    ASSERT_TRUE(key.GetValueNames(names));
    ASSERT_EQ(names.size(), table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(names[i], table[i].first) << "values keep the order they were written in";
        RegValue back;
        ASSERT_TRUE(key.ReadValue(table[i].first, back)) << table[i].first;
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
}

TEST_F(RegistryTest, HiveFileIsRegedit4Text) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale", RegAccess::ReadWrite));
    ASSERT_TRUE(key.WriteString("Vantoscope", "/opt/vantoscope/vantoscope"));
    ASSERT_TRUE(key.WriteDword("Count", 42));
    ASSERT_TRUE(key.WriteValue("Bin", Raw(kRegBinary, "\x01\xAB")));
    ASSERT_TRUE(key.WriteValue("Exp", Raw(kRegExpandSz, std::string("A\0", 2))));

    const std::string text = readFile(user_hive);
    EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\SOFTWARE\\Ombrevale]\n"
                        "\"Vantoscope\"=\"/opt/vantoscope/vantoscope\"\n"
                        "\"Count\"=dword:0000002a\n"
                        "\"Bin\"=hex:01,ab\n"
                        "\"Exp\"=hex(2):41,00\n"),
              std::string::npos)
        << text;

    struct stat st {};
    ASSERT_EQ(::stat(user_hive.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the user's registry is private";
    for (const auto& entry : fs::directory_iterator(user_hive.parent_path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "registry.reg" || name == "registry.reg.lock") << "left behind: " << name;
    }
}

TEST_F(RegistryTest, NamesFoldCaseAndSubkeysEnumerateInRegistryOrder) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "Software\\Ombrevale", RegAccess::ReadWrite));
    ASSERT_TRUE(key.WriteString("Name", "one"));
    ASSERT_TRUE(key.WriteString("NAME", "two"));
    for (const char* sub : {"b", "_x", "A", "c"}) {
        RegKey child;
        ASSERT_TRUE(child.Create(RegRoot::CurrentUser, std::string("SOFTWARE\\OMBREVALE\\") + sub, RegAccess::Read));
    }

    RegKey again;
    ASSERT_TRUE(again.Open(RegRoot::CurrentUser, "SOFTWARE\\ombrevale\\", RegAccess::Read));
    std::vector<std::string> names;
    ASSERT_TRUE(again.GetValueNames(names));
    EXPECT_EQ(names, std::vector<std::string>{"Name"}) << "one value, with the case it was created with";
    std::string text;
    ASSERT_TRUE(again.ReadString("name", text));
    EXPECT_EQ(text, "two");
    ASSERT_TRUE(again.GetSubKeyNames(names));
    EXPECT_EQ(names, (std::vector<std::string>{"A", "b", "c", "_x"})) << "sorted with letters upper-cased";
    std::size_t subkeys = 0;
    std::size_t values = 0;
    ASSERT_TRUE(again.QueryInfo(subkeys, values));
    EXPECT_EQ(subkeys, 4u);
    EXPECT_EQ(values, 1u);

    RegKey top;
    ASSERT_TRUE(top.Open(RegRoot::CurrentUser, "", RegAccess::Read)) << "the empty path is the root";
    ASSERT_TRUE(top.GetSubKeyNames(names));
    EXPECT_EQ(names, std::vector<std::string>{"Software"});
}

TEST_F(RegistryTest, OpenOnlyCreateOrOpenAndAccess) {
    RegKey key;
    EXPECT_FALSE(key.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale", RegAccess::Read));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(fs::exists(user_hive)) << "opening never writes";

    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::Read));
    EXPECT_TRUE(key.IsOpen());
    EXPECT_FALSE(key.WriteString("x", "y")) << "read access does not write";
    EXPECT_FALSE(key.DeleteValue("x"));
    RegKey parent;
    EXPECT_TRUE(parent.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale", RegAccess::ReadWrite)) << "parents are created";

    for (const char* bad : {"\\SOFTWARE", "SOFTWARE\\\\Ombrevale", "SOFTWARE\\Ombre\nvale", "SOFTWARE\\\\"}) {
        EXPECT_FALSE(key.Create(RegRoot::CurrentUser, bad, RegAccess::ReadWrite)) << bad;
    }
    EXPECT_FALSE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\" + std::string(256, 'k'), RegAccess::ReadWrite));
    EXPECT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\" + std::string(255, 'k'), RegAccess::ReadWrite));
    EXPECT_FALSE(key.WriteString("bad\nname", "x")) << "a line break cannot be kept in a value name";

    RegKey closed;
    std::vector<std::string> names;
    EXPECT_FALSE(closed.GetSubKeyNames(names));
    EXPECT_FALSE(closed.WriteString("x", "y"));
}

TEST_F(RegistryTest, DeletingATreeDeletesEverythingBelowIt) {
    for (const char* path : {"SOFTWARE\\Ombrevale\\Vantoscope\\Deep\\Deeper", "SOFTWARE\\Ombrevale\\Vantoscope\\Other",
                             "SOFTWARE\\Ombrevale\\Orvo"}) {
        RegKey key;
        ASSERT_TRUE(key.Create(RegRoot::CurrentUser, path, RegAccess::ReadWrite));
        ASSERT_TRUE(key.WriteString("v", path));
    }
    RegKey stale;
    ASSERT_TRUE(stale.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope\\Deep", RegAccess::ReadWrite));

    ASSERT_TRUE(DeleteRegistryTree(RegRoot::CurrentUser, "software\\ombrevale\\vantoscope\\"));

    RegKey key;
    for (const char* gone : {"SOFTWARE\\Ombrevale\\Vantoscope", "SOFTWARE\\Ombrevale\\Vantoscope\\Other",
                             "SOFTWARE\\Ombrevale\\Vantoscope\\Deep\\Deeper"}) {
        EXPECT_FALSE(key.Open(RegRoot::CurrentUser, gone, RegAccess::Read)) << gone;
    }
    ASSERT_TRUE(key.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale", RegAccess::Read));
    std::vector<std::string> names;
    ASSERT_TRUE(key.GetSubKeyNames(names));
    EXPECT_EQ(names, std::vector<std::string>{"Orvo"});

    std::string text;
    EXPECT_FALSE(stale.ReadString("v", text)) << "a handle to a deleted key reads nothing";
    EXPECT_FALSE(stale.WriteString("v", "again")) << "and does not bring the key back";
    EXPECT_FALSE(key.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope", RegAccess::Read));

    EXPECT_FALSE(DeleteRegistryTree(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Vantoscope")) << "already gone";
    EXPECT_FALSE(DeleteRegistryTree(RegRoot::CurrentUser, "")) << "the root stays";
    EXPECT_FALSE(DeleteRegistryTree(RegRoot::CurrentUser, "\\"));

    RegKey orvo;
    ASSERT_TRUE(orvo.Open(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale\\Orvo", RegAccess::ReadWrite));
    EXPECT_TRUE(orvo.DeleteValue("V"));
    EXPECT_FALSE(orvo.DeleteValue("v")) << "deleting a missing value fails";
}

TEST_F(RegistryTest, ViewsAreSeparateOnlyUnderMachineSoftware) {
    WriteMachineHive(
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
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\Shared]\r\n"
        "@=\"same for both\"\r\n");

    auto read = [](RegRoot root, const std::string& path, RegView view, const std::string& name) {
        RegKey key;
        std::string text;
        if (!key.Open(root, path, RegAccess::Read, view) || !key.ReadString(name, text)) return std::string("<none>");
        return text;
    };
    EXPECT_EQ(read(RegRoot::LocalMachine, "SOFTWARE\\Vendor", RegView::Native, "Bits"), "64");
    EXPECT_EQ(read(RegRoot::LocalMachine, "SOFTWARE\\Vendor", RegView::View64, "Bits"), "64");
    EXPECT_EQ(read(RegRoot::LocalMachine, "SOFTWARE\\Vendor", RegView::View32, "Bits"), "32");
    EXPECT_EQ(read(RegRoot::LocalMachine, "software\\wow6432node\\Vendor", RegView::View64, "Bits"), "32");
    EXPECT_EQ(read(RegRoot::LocalMachine, "SOFTWARE\\Wow6432Node\\Vendor", RegView::View32, "Bits"), "32")
        << "an explicit Wow6432Node path is not redirected twice";
    EXPECT_EQ(read(RegRoot::LocalMachine, "SYSTEM\\Shared", RegView::View32, ""), "same for both");
    EXPECT_EQ(read(RegRoot::LocalMachine, "SYSTEM\\Shared", RegView::View64, ""), "same for both");

    RegKey key;
    RegValue value;
    ASSERT_TRUE(key.Open(RegRoot::LocalMachine, "SOFTWARE\\Vendor", RegAccess::Read, RegView::View32));
    ASSERT_TRUE(key.ReadValue("Long", value));
    EXPECT_EQ(value, Raw(kRegBinary, "\x01\x02\x03\x04")) << "continued byte lists join";

    std::vector<std::string> names;
    ASSERT_TRUE(key.Open(RegRoot::LocalMachine, "SOFTWARE", RegAccess::Read, RegView::View64));
    ASSERT_TRUE(key.GetSubKeyNames(names));
    EXPECT_EQ(names, (std::vector<std::string>{"Vendor", "Wow6432Node"}));
    ASSERT_TRUE(key.Open(RegRoot::LocalMachine, "SOFTWARE", RegAccess::Read, RegView::View32));
    ASSERT_TRUE(key.GetSubKeyNames(names));
    EXPECT_EQ(names, std::vector<std::string>{"Vendor"});

    // The user's SOFTWARE is shared between the views, as on Windows.
    RegKey user;
    ASSERT_TRUE(user.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale", RegAccess::ReadWrite, RegView::View32));
    ASSERT_TRUE(user.WriteString("Vantoscope", "path"));
    EXPECT_EQ(read(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale", RegView::View64, "Vantoscope"), "path");
    EXPECT_FALSE(key.Open(RegRoot::CurrentUser, "SOFTWARE\\Wow6432Node", RegAccess::Read));
}

TEST_F(RegistryTest, MachineHiveIsNeverWritten) {
    const std::string text = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\n\"x\"=\"1\"\n";
    WriteMachineHive(text);
    RegKey key;
    EXPECT_FALSE(key.Open(RegRoot::LocalMachine, "SOFTWARE\\Vendor", RegAccess::ReadWrite));
    EXPECT_FALSE(key.Create(RegRoot::LocalMachine, "SOFTWARE\\Vendor", RegAccess::ReadWrite));
    EXPECT_FALSE(key.Create(RegRoot::LocalMachine, "SOFTWARE\\New", RegAccess::Read));
    EXPECT_TRUE(key.Create(RegRoot::LocalMachine, "SOFTWARE\\Vendor", RegAccess::Read)) << "an existing key opens";
    EXPECT_FALSE(key.WriteString("x", "2"));
    EXPECT_FALSE(DeleteRegistryTree(RegRoot::LocalMachine, "SOFTWARE\\Vendor"));
    EXPECT_EQ(readFile(machine_hive), text);
    EXPECT_FALSE(fs::exists(machine_hive.string() + ".lock"));
}

// A user hive that does not parse is moved aside whole to a dated name, the user is told
// once, and the program goes on with a fresh hive.
TEST_F(RegistryTest, ACorruptUserHiveIsMovedAsideWholeAndAFreshOneStarts) {
    const std::vector<std::pair<std::string, std::string>> corrupt = {
        {"no header", "[HKEY_CURRENT_USER\\SOFTWARE]\n"},
        {"garbage", std::string("\x00\x01\xFFgarbage\n", 11)},
        {"value outside a key", "REGEDIT4\n\"x\"=\"y\"\n"},
        {"other root", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"},
        {"key deletion", "REGEDIT4\n[-HKEY_CURRENT_USER\\SOFTWARE]\n"},
        {"unterminated key", "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\n"},
        {"empty key name", "REGEDIT4\n[HKEY_CURRENT_USER\\\\SOFTWARE]\n"},
        {"unterminated string", "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE]\n\"x\"=\"y\n"},
        {"unknown escape", "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE]\n\"x\"=\"a\\nb\"\n"},
        {"text after string", "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE]\n\"x\"=\"y\" z\n"},
        {"long dword", "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE]\n\"x\"=dword:123456789\n"},
        {"bad hex", "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE]\n\"x\"=hex:01,zz\n"},
        {"value deletion", "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE]\n\"x\"=-\n"},
        {"continuation at end", "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE]\n\"x\"=hex:01,\\\n"},
    };
    for (std::size_t i = 0; i < corrupt.size(); ++i) {
        const auto& [what, text] = corrupt[i];
        const fs::path hive = dir.write("corrupt" + std::to_string(i) + ".reg", text);
        ScopedEnv env("VANTOSCOPE_USER_HIVE", hive.string());

        ::testing::internal::CaptureStderr();
        TakeRegistryNotices();
        RegKey key;
        EXPECT_TRUE(key.Open(RegRoot::CurrentUser, "", RegAccess::Read)) << what;
        std::vector<std::string> names;
        EXPECT_TRUE(key.GetSubKeyNames(names));
        EXPECT_TRUE(names.empty()) << what << ": a fresh hive is empty";
        RegKey ours;
        EXPECT_TRUE(ours.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale", RegAccess::ReadWrite)) << what;
        EXPECT_TRUE(ours.WriteString("x", "y")) << what;
        const std::string err = ::testing::internal::GetCapturedStderr();

        std::vector<fs::path> aside;
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (e.path().filename().string().rfind(hive.filename().string() + ".unparsable-", 0) == 0) aside.push_back(e.path());
        ASSERT_EQ(aside.size(), 1u) << what;
        EXPECT_EQ(readFile(aside[0]), text) << what << ": moved whole";
        EXPECT_NE(readFile(hive).find("\"x\"=\"y\""), std::string::npos) << what << ": the fresh hive took the change";
        const auto notices = TakeRegistryNotices();
        ASSERT_EQ(notices.size(), 1u) << what;
        EXPECT_NE(notices[0].find(aside[0].string()), std::string::npos) << notices[0];
        EXPECT_NE(err.find(aside[0].string()), std::string::npos) << what << ": " << err;
    }
}

TEST_F(RegistryTest, ASecondCorruptHiveTheSameDayNeverOverwritesTheFirst) {
    TakeRegistryNotices();
    ::testing::internal::CaptureStderr();
    for (const char* text : {"first broken\n", "second broken\n"}) {
        dir.write("config/registry.reg", text);
        RegKey key;
        EXPECT_TRUE(key.Open(RegRoot::CurrentUser, "", RegAccess::Read));
    }
    ::testing::internal::GetCapturedStderr();
    std::vector<std::string> contents;
    for (const auto& e : fs::directory_iterator(user_hive.parent_path()))
        if (e.path().filename().string().find(".unparsable-") != std::string::npos) contents.push_back(readFile(e.path()));
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"first broken\n", "second broken\n"}));
    EXPECT_EQ(TakeRegistryNotices().size(), 2u);
}

TEST_F(RegistryTest, ACorruptMachineHiveIsLeftByteForByte) {
    const std::string text = "not a hive\n";
    WriteMachineHive(text);
    ::testing::internal::CaptureStderr();
    RegKey key;
    EXPECT_TRUE(key.Open(RegRoot::LocalMachine, "", RegAccess::Read));
    std::vector<std::string> names;
    EXPECT_TRUE(key.GetSubKeyNames(names));
    EXPECT_TRUE(names.empty());
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(readFile(machine_hive), text);
    EXPECT_NE(err.find(machine_hive.string()), std::string::npos);
}

TEST_F(RegistryTest, AChangeReadsTheFileAfreshUnderTheLock) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale", RegAccess::ReadWrite));
    ASSERT_TRUE(key.WriteString("A", "1"));
    // Another program rewrites the file in place: same inode, same size, same time.
    std::string text = readFile(user_hive);
    const auto when = fs::last_write_time(user_hive);
    const auto at = text.find("\"A\"");
    ASSERT_NE(at, std::string::npos);
    text[at + 1] = 'B';
    {
        std::ofstream out(user_hive, std::ios::binary | std::ios::in | std::ios::out);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    fs::last_write_time(user_hive, when);
    ASSERT_TRUE(key.WriteString("C", "3"));
    const std::string after = readFile(user_hive);
    EXPECT_NE(after.find("\"B\"=\"1\""), std::string::npos) << after;
    EXPECT_EQ(after.find("\"A\"=\"1\""), std::string::npos) << after;
}

TEST_F(RegistryTest, AChangeGivesUpOnALockHeldTooLong) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale", RegAccess::ReadWrite));
    // Another program holds the hive's lock and does not let go.
    const int fd = ::open((user_hive.string() + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_FALSE(key.WriteString("late", "1")) << "fails instead of waiting for ever";
    ::close(fd);
    EXPECT_TRUE(key.WriteString("late", "1"));
}

TEST_F(RegistryTest, AnOversizedHiveIsNeitherReadNorWritten) {
    const fs::path big = dir.write("big.reg", "REGEDIT4\n");
    fs::resize_file(big, 16u * 1024u * 1024u + 1);
    ScopedEnv env("VANTOSCOPE_USER_HIVE", big.string());
    ::testing::internal::CaptureStderr();
    RegKey key;
    EXPECT_FALSE(key.Create(RegRoot::CurrentUser, "SOFTWARE", RegAccess::ReadWrite));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(big.string()), std::string::npos);
    EXPECT_EQ(fs::file_size(big), 16u * 1024u * 1024u + 1);
}

TEST_F(RegistryTest, ChangesMadeByAnotherProgramAreSeen) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale", RegAccess::ReadWrite));
    ASSERT_TRUE(key.WriteString("A", "1"));
    // Another program rewrites the hive behind this one's back.
    const fs::path replacement = dir.write("other.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Ombrevale]\n\"B\"=\"2\"\n");
    fs::rename(replacement, user_hive);
    std::string text;
    EXPECT_FALSE(key.ReadString("A", text));
    ASSERT_TRUE(key.ReadString("B", text));
    EXPECT_EQ(text, "2");
    ASSERT_TRUE(key.WriteString("C", "3"));
    std::vector<std::string> names;
    ASSERT_TRUE(key.GetValueNames(names));
    EXPECT_EQ(names, (std::vector<std::string>{"B", "C"}));
}

// Two processes writing the same hive at the same moment: each change is applied to the
// hive as the other left it, so neither loses anything.
TEST_F(RegistryTest, TwoProcessesWritingAtOnceKeepAllTheirValues) {
    constexpr int kWrites = 60;
    ASSERT_TRUE(vanto::testing::RunInProcessesAtOnce(2, [](int p) {
        bool ok = true;
        for (int i = 0; i < kWrites && ok; ++i) {
            RegKey key;
            const std::string sub = "SOFTWARE\\Race\\P" + std::to_string(p) + "_" + std::to_string(i % 3);
            ok = key.Create(RegRoot::CurrentUser, sub, RegAccess::ReadWrite) &&
                 key.WriteDword("v" + std::to_string(i), static_cast<std::uint32_t>(p * 1000 + i));
        }
        return ok;
    }));

    RereadFromCopy("after.reg");
    for (int p = 0; p < 2; ++p) {
        for (int i = 0; i < kWrites; ++i) {
            RegKey key;
            std::uint32_t n = 0;
            const std::string sub = "SOFTWARE\\Race\\P" + std::to_string(p) + "_" + std::to_string(i % 3);
            ASSERT_TRUE(key.Open(RegRoot::CurrentUser, sub, RegAccess::Read)) << sub;
            ASSERT_TRUE(key.ReadDword("v" + std::to_string(i), n)) << sub << " v" << i;
            EXPECT_EQ(n, static_cast<std::uint32_t>(p * 1000 + i));
        }
    }
}

}  // namespace
