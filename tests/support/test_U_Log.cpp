// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "support/U_Log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>

#include "platform/files.h"
#include "platform/shell.h"
#include "support/U_UnicodeUtils.h"
#include "testsupport/test_support.h"

using namespace vanto;
using vanto::testing::readFile;
using vanto::testing::ScopedEnv;
using vanto::testing::TempDir;

namespace {

const std::regex kLine(R"((Verbose|Info|Error)\t\[\d\d-\d\d-\d\d \d\d:\d\d:\d\d\]\t([\s\S]*))");

std::string MessageOf(const std::string& line) {
    std::smatch m;
    return std::regex_match(line, m, kLine) ? m[2].str() : "<malformed: " + line + ">";
}

}  // namespace

TEST(TKLog, LevelsNamesAndErrorCount) {
    TempDir dir;
    TKLog log((dir.path() / "a.log").string(), false, 100, false);
    log.Log("hidden", 0);
    EXPECT_TRUE(log.Lines().empty());
    log.Log("started", 1);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].rfind("Info\t", 0), 0u);
    EXPECT_EQ(MessageOf(log.Lines()[0]), "started");
    EXPECT_EQ(log.ErrorCount(), 0);
    log.Log("boom", 5);
    EXPECT_EQ(log.Lines()[0].rfind("Error\t", 0), 0u);
    EXPECT_EQ(log.ErrorCount(), 1);
    log.Log("again", 2);
    EXPECT_EQ(log.ErrorCount(), 2);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "a.log"));  // not verbose: no disk access yet

    TKLog verbose((dir.path() / "v.log").string(), true, 100, false);
    verbose.Log("detail", 0);
    ASSERT_EQ(verbose.Lines().size(), 1u);
    EXPECT_EQ(verbose.Lines()[0].rfind("Verbose\t", 0), 0u);
    EXPECT_EQ(readFile(dir.path() / "v.log"), verbose.Lines()[0] + "\r\n");  // saved at once
}

// The local wall clock now, in the log's own form.
static std::string LocalStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    char buf[32];
    std::strftime(buf, sizeof buf, "[%y-%m-%d %H:%M:%S]", &tm);
    return buf;
}

TEST(TKLog, StampIsTheLocalTimeOfTheCallOnA24HourClock) {
#ifndef _WIN32
    // A zone where it is afternoon now and whose clock differs from UTC: a stamp in UTC or
    // on a 12-hour clock cannot match the local time there.
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    int ahead = (15 - utc.tm_hour + 24) % 24;
    if (ahead == 0) ahead = 1;
    struct ZoneBack {
        ~ZoneBack() { tzset(); }
    } zone_back;  // after the variable is restored
    const ScopedEnv tz("TZ", "VST-" + std::to_string(ahead));
    tzset();
#endif
    TempDir dir;
    TKLog log((dir.path() / "t.log").string(), false, 10, false);
    const std::string before = LocalStamp();
    log.Log("now", 1);
    const std::string after = LocalStamp();
    ASSERT_EQ(log.Lines().size(), 1u);
    const std::string& line = log.Lines()[0];
    const std::size_t open = line.find('[');
    ASSERT_NE(open, std::string::npos) << line;
    const std::string stamp = line.substr(open, before.size());
    // The fixed-width form orders as text does.
    EXPECT_LE(before, stamp) << line;
    EXPECT_LE(stamp, after) << line;
#ifndef _WIN32
    EXPECT_GE(std::stoi(stamp.substr(10, 2)), 13) << "afternoon in the chosen zone: " << line;
#endif
}

TEST(TKLog, CapKeepsTheNewestFirst) {
    TempDir dir;
    TKLog log((dir.path() / "c.log").string(), false, 3, false);
    for (const char* m : {"one", "two", "three", "four"}) log.Log(m, 1);
    ASSERT_EQ(log.Lines().size(), 3u);
    EXPECT_EQ(MessageOf(log.Lines()[0]), "four");
    EXPECT_EQ(MessageOf(log.Lines()[1]), "three");
    EXPECT_EQ(MessageOf(log.Lines()[2]), "two");
}

TEST(TKLog, FileIsNewestFirstWithCrLfAndNoBom) {
    TempDir dir;
    const auto file = dir.path() / "Vantoscope.log";
    {
        TKLog log(file.string(), false, 10, false);
        log.Log("first", 1);
        log.Log("tab\there", 1);
        log.Log("two\nlines", 2);
    }  // the destructor saves
    const std::string text = readFile(file);
    const std::regex whole(
        "Error\\t\\[\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\]\\ttwo\\nlines\\r\\n"
        "Info\\t\\[\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\]\\ttab\\there\\r\\n"
        "Info\\t\\[\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\]\\tfirst\\r\\n");
    EXPECT_TRUE(std::regex_match(text, whole)) << text;
    ASSERT_GE(text.size(), 3u);
    EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF");

    // A loaded file keeps its lines as they stand, newest on top; the next save rewrites it whole.
    TKLog again(file.string(), false, 10, true);
    ASSERT_EQ(again.Lines().size(), 4u);  // the embedded line break splits one entry
    again.Log("new", 1);
    again.Save();
    std::string expected = text;
    expected.replace(expected.find("two\nlines"), 9, "two\r\nlines");  // split on load, so CR LF now
    const std::string after = readFile(file);
    EXPECT_EQ(after.substr(after.find("\r\n") + 2), expected);
}

TEST(TKLog, MissingFolderWritesAndCreatesNothing) {
    TempDir dir;
    const auto folder = dir.path() / "not-there";
    std::vector<std::string> opened;
    auto previous = platform::SetShellOpenHook([&](const platform::ShellRequest& r) {
        opened.push_back(r.file);
        return false;  // the file does not exist, so the shell fails
    });
    {
        TKLog log((folder / "x.log").string(), true, 10, false);
        log.Log("line", 1);
        log.Save();
        log.OpenLog();
    }
    platform::SetShellOpenHook(previous);
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_EQ(opened, std::vector<std::string>{(folder / "x.log").string()});
}

// The file's name is 8-bit text in the program's code page, as the data folder's path comes
// from the shell; a profile folder whose name is not ASCII must still take the log.
TEST(TKLog, FolderNamedOutsideAsciiIsWrittenAndLoaded) {
    TempDir dir;
    const std::wstring wide_name = L"Journal \u00e9\u00f8\u20ac";
    const std::string name = platform::WideToAnsi(wide_name);
    if (platform::AnsiToWide(name) != wide_name) GTEST_SKIP() << "the code page cannot spell the folder's name";
    const std::string folder = dir.str() + platform::kPathSeparator + name;
    ASSERT_TRUE(CreateDirectoryWide(platform::AnsiToWide(folder)));
    const std::string file = folder + platform::kPathSeparator + "Vantoscope.log";
    {
        TKLog log(file, false, 10, false);
        log.Log("written", 1);
    }
    ASSERT_TRUE(FileExistsWide(platform::AnsiToWide(file))) << "the log was saved";
    TKLog again(file, false, 10, true);
    ASSERT_EQ(again.Lines().size(), 1u);
    EXPECT_EQ(MessageOf(again.Lines()[0]), "written");
}

// A link planted at the log's name (the program run with another user's folders) is replaced
// by the log; the file it pointed at keeps its bytes. No temporary file stays behind.
TEST(TKLog, ALinkAtTheLogsNameIsReplacedItsTargetLeftAlone) {
    TempDir dir;
    const auto target = dir.write("precious.txt", "root only\n");
    const auto file = dir.path() / "Vantoscope.log";
    std::error_code error;
    std::filesystem::create_symlink(target, file, error);
    if (error) GTEST_SKIP() << "this system does not let us make a symbolic link: " << error.message();
    {
        TKLog log(file.string(), false, 10, false);
        log.Log("written", 1);
    }
    EXPECT_EQ(readFile(target), "root only\n");
    EXPECT_FALSE(std::filesystem::is_symlink(file));
    TKLog again(file.string(), false, 10, true);
    ASSERT_EQ(again.Lines().size(), 1u);
    EXPECT_EQ(MessageOf(again.Lines()[0]), "written");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 2) << "the target and the log, no temporary file";
}

// The log is written whole or not at all: an existing file is replaced, never cut open in
// place, so a reader holding it open still sees the old, whole text.
TEST(TKLog, SaveReplacesTheFileInsteadOfTruncatingIt) {
    TempDir dir;
    const auto file = dir.write("Vantoscope.log", "old line\r\n");
    platform::FileIdentity before;
    ASSERT_TRUE(platform::GetFileIdentity(file.string(), before));
    {
        TKLog log(file.string(), false, 10, false);
        log.Log("new", 1);
    }
    platform::FileIdentity after;
    ASSERT_TRUE(platform::GetFileIdentity(file.string(), after));
    EXPECT_NE(before.file, after.file) << "a new file took the name";
    EXPECT_NE(readFile(file).find("\tnew\r\n"), std::string::npos);
}
