// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The Linux hive files themselves: their text, their modes, corrupt and oversized files,
// other programs and processes writing them. What the registry interface promises on both
// backends is in ../test_registry.cpp.
#include "platform/registry.h"

#include "testsupport/test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

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
            const std::string sub = std::string("SOFTWARE\\Race\\P").append(std::to_string(p)).append("_").append(std::to_string(i % 3));
            ok = key.Create(RegRoot::CurrentUser, sub, RegAccess::ReadWrite) &&
                 key.WriteDword(std::string("v").append(std::to_string(i)), static_cast<std::uint32_t>(p * 1000 + i));
        }
        return ok;
    }));

    RereadFromCopy("after.reg");
    for (int p = 0; p < 2; ++p) {
        for (int i = 0; i < kWrites; ++i) {
            RegKey key;
            std::uint32_t n = 0;
            const std::string sub = std::string("SOFTWARE\\Race\\P").append(std::to_string(p)).append("_").append(std::to_string(i % 3));
            ASSERT_TRUE(key.Open(RegRoot::CurrentUser, sub, RegAccess::Read)) << sub;
            ASSERT_TRUE(key.ReadDword(std::string("v").append(std::to_string(i)), n)) << sub << " v" << i;
            EXPECT_EQ(n, static_cast<std::uint32_t>(p * 1000 + i));
        }
    }
}

// Start and close each make several changes: with another program holding the hive's lock,
// only the first waits; the next fail at once, and the user is told once.
TEST_F(RegistryTest, ABusyLockIsWaitedForOnceAndSaidOnce) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Ombrevale", RegAccess::ReadWrite));
    TakeRegistryNotices();
    const int fd = ::open((user_hive.string() + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(key.WriteString("a", "1"));
    const auto first = std::chrono::steady_clock::now();
    EXPECT_FALSE(key.WriteString("b", "2"));
    EXPECT_FALSE(key.DeleteValue("a"));
    const auto rest = std::chrono::steady_clock::now();
    EXPECT_GE(first - start, std::chrono::milliseconds(2500)) << "the first change waits for the lock";
    EXPECT_LT(rest - first, std::chrono::milliseconds(1500)) << "the next ones do not wait again";
    const std::vector<std::string> notices = TakeRegistryNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("locked by another program"), std::string::npos) << notices[0];
    EXPECT_NE(notices[0].find(user_hive.string()), std::string::npos);
    ::close(fd);
    EXPECT_TRUE(key.WriteString("b", "2")) << "a free lock is taken again at once";
}

// A key with many values: names still fold, the first spelling and the order of first writing
// stay, a deleted value is gone and comes back at the end; the file reads back the same.
TEST_F(RegistryTest, AKeyWithManyValuesKeepsTheRulesOfAFewValues) {
    constexpr int kValues = 5000;
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE\\Many", RegAccess::ReadWrite));
    std::vector<std::pair<std::string, RegValue>> values;
    for (int i = 0; i < kValues; ++i) values.emplace_back("Value" + std::to_string(i), RegValue::String(std::to_string(i)));
    ASSERT_TRUE(key.WriteValues(values));
    ASSERT_TRUE(key.WriteString("VALUE17", "changed"));
    ASSERT_TRUE(key.DeleteValue("value3"));
    ASSERT_TRUE(key.WriteString("Value3", "again"));
    ASSERT_TRUE(key.WriteString("value4999", "last"));

    RereadFromCopy("copy.reg");
    RegKey again;
    ASSERT_TRUE(again.Open(RegRoot::CurrentUser, "SOFTWARE\\Many", RegAccess::Read));
    std::vector<std::string> names;
    ASSERT_TRUE(again.GetValueNames(names));
    ASSERT_EQ(names.size(), std::size_t{kValues});
    EXPECT_EQ(names[16], "Value17") << "the first spelling stays (one place up after the deletion)";
    EXPECT_EQ(names[3], "Value4") << "the deleted value left its place";
    EXPECT_EQ(names.back(), "Value3") << "and came back at the end";
    std::string text;
    ASSERT_TRUE(again.ReadString("value17", text));
    EXPECT_EQ(text, "changed");
    ASSERT_TRUE(again.ReadString("VALUE3", text));
    EXPECT_EQ(text, "again");
    ASSERT_TRUE(again.ReadString("Value4999", text));
    EXPECT_EQ(text, "last");
    EXPECT_FALSE(again.ReadString("Value5000", text));
}

// Keys 512 deep with long names spell paths whose text passes the hive's size limit: the
// change fails and the file stays as it was.
TEST_F(RegistryTest, ADeepTreeWhoseTextPassesTheLimitIsNotWritten) {
    RegKey key;
    ASSERT_TRUE(key.Create(RegRoot::CurrentUser, "SOFTWARE", RegAccess::ReadWrite));
    ASSERT_TRUE(key.WriteString("kept", "1"));
    const std::string before = readFile(user_hive);
    std::string path = "SOFTWARE";
    for (int depth = 1; depth < 512; ++depth) {
        path += '\\';
        path.append(250, char('a' + depth % 26));
    }
    RegKey deep;
    EXPECT_FALSE(deep.Create(RegRoot::CurrentUser, path, RegAccess::ReadWrite));
    EXPECT_EQ(readFile(user_hive), before);
}

}  // namespace
