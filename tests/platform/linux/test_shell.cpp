// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Runs the real launcher against a stand-in `xdg-open` placed first in PATH.

#include "platform/shell.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testsupport/test_support.h"

namespace vanto::platform {
using vanto::testing::ScopedEnv;

namespace {

namespace fs = std::filesystem;

// Records its arguments, working folder, where its stdout goes and what a descriptor the
// test left open points at, then waits until the test allows it to end.
constexpr const char* kFakeOpener = R"sh(#!/bin/sh
log="$VS_OPEN_LOG"
so=$(readlink /proc/$$/fd/1)
{
  printf 'argc=%s\n' "$#"
  for a in "$@"; do printf 'arg=[%s]\n' "$a"; done
  printf 'pwd=%s\n' "$(pwd)"
  printf 'stdout=%s\n' "$so"
  printf 'leak=%s\n' "$(readlink /proc/$$/fd/$VS_LEAK_FD 2>/dev/null)"
  printf 'pid=%s\n' "$$"
  printf 'uid=%s\n' "$(id -u)"
  printf 'home=%s\n' "$HOME"
} > "$log.part"
mv "$log.part" "$log"
while [ ! -e "$VS_RELEASE" ]; do sleep 0.05; done
)sh";

bool WaitForFile(const fs::path& p) {
    for (int i = 0; i < 1000; ++i) {  // generous bound for a loaded machine, not a timing check
        if (fs::exists(p)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Alive and not a zombie (a container's first process may be slow to reap orphans).
bool IsRunning(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string content((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t paren = content.rfind(')');
    return paren != std::string::npos && paren + 2 < content.size() && content[paren + 2] != 'Z';
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Field(const std::vector<std::string>& lines, const std::string& key) {
    for (const auto& l : lines) {
        if (l.rfind(key + "=", 0) == 0) return l.substr(key.size() + 1);
    }
    return "<missing>";
}

class LinuxShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        bin_ = dir_.path() / "bin";
        fs::create_directories(bin_);
        const fs::path opener = dir_.write("bin/xdg-open", kFakeOpener);
        fs::permissions(opener, fs::perms::owner_all);
        log_ = dir_.path() / "open.log";
        release_ = dir_.path() / "release";
        marker_ = dir_.write("leak-marker", "x");
        // Deliberately inheritable, as a careless library's descriptor would be.
        leak_fd_ = ::open(marker_.c_str(), O_RDONLY);
        ASSERT_GE(leak_fd_, 3);
        path_.emplace("PATH", bin_.string() + ":/usr/bin:/bin");
        log_env_.emplace("VS_OPEN_LOG", log_.string());
        release_env_.emplace("VS_RELEASE", release_.string());
        leak_env_.emplace("VS_LEAK_FD", std::to_string(leak_fd_));
    }
    void TearDown() override {
        std::ofstream(release_).put('x');
        if (opener_pid_ > 0) {
            for (int i = 0; i < 500 && IsRunning(opener_pid_); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            ::kill(opener_pid_, SIGKILL);
        }
        if (leak_fd_ >= 0) ::close(leak_fd_);
    }

    std::vector<std::string> WaitForLog() {
        EXPECT_TRUE(WaitForFile(log_));
        auto lines = Lines(vanto::testing::readFile(log_));
        opener_pid_ = std::atoi(Field(lines, "pid").c_str());
        return lines;
    }

    vanto::testing::TempDir dir_;
    fs::path bin_, log_, release_, marker_;
    int leak_fd_ = -1;
    pid_t opener_pid_ = 0;
    std::optional<ScopedEnv> path_, log_env_, release_env_, leak_env_;
};

TEST_F(LinuxShellTest, TargetArrivesAsOneVerbatimArgumentWithoutAShell) {
    const std::string target =
        "https://search.example/?q=a b&c=$(touch " + (dir_.path() / "PWNED").string() +
        ");d='e'\"f\"`id`|g";
    ShellRequest request;
    request.file = target;
    ASSERT_TRUE(ShellExecuteRequest(request));

    const auto lines = WaitForLog();
    EXPECT_EQ(Field(lines, "argc"), "1");
    EXPECT_EQ(Field(lines, "arg"), "[" + target + "]");
    EXPECT_FALSE(fs::exists(dir_.path() / "PWNED"));
}

TEST_F(LinuxShellTest, OpenerIsDetachedAndNeverWaitedFor) {
    ShellRequest request;
    request.file = "/tmp";
    ASSERT_TRUE(ShellExecuteRequest(request));

    // The call has returned while the opener still runs (it waits for the release file).
    const auto lines = WaitForLog();
    ASSERT_GT(opener_pid_, 0);
    EXPECT_TRUE(IsRunning(opener_pid_));
    // Its own session, and not our child: nothing is left for us to reap.
    EXPECT_NE(::getsid(opener_pid_), ::getsid(0));
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    // Its output goes nowhere and our descriptors stay ours.
    EXPECT_EQ(Field(lines, "stdout"), "/dev/null");
    EXPECT_NE(Field(lines, "leak"), marker_.string());
}

TEST_F(LinuxShellTest, DirectoryBecomesTheWorkingFolderAndDashTargetsAreNotOptions) {
    ShellRequest request;
    request.call = ShellRequest::Call::ExecuteWithOwner;
    request.verb = "";
    request.parameters = "";
    request.file = "--version";
    request.directory = dir_.str();
    ASSERT_TRUE(ShellExecuteRequest(request));

    const auto lines = WaitForLog();
    EXPECT_EQ(Field(lines, "arg"), "[./--version]");
    EXPECT_EQ(fs::canonical(Field(lines, "pwd")), fs::canonical(dir_.path()));
}

TEST_F(LinuxShellTest, RequestsXdgOpenCannotHonourFailWithoutLaunching) {
    ShellRequest with_parameters;
    with_parameters.file = "/tmp";
    with_parameters.parameters = "--flag";
    EXPECT_FALSE(ShellExecuteRequest(with_parameters));

    ShellRequest print_verb;
    print_verb.file = "/tmp/a.txt";
    print_verb.verb = "print";
    EXPECT_FALSE(ShellExecuteRequest(print_verb));

    ShellRequest empty;
    EXPECT_FALSE(ShellExecuteRequest(empty));

    ShellRequest open_verb;
    open_verb.file = "/tmp";
    open_verb.verb = "OPEN";
    EXPECT_TRUE(ShellExecuteRequest(open_verb));
    WaitForLog();
}

TEST_F(LinuxShellTest, UnderSudoTheOpenerRunsAsTheCallingUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root: the case is a root program started through sudo";
    // The stand-in opener must be reachable, and its log writable, for the calling user.
    fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(bin_ / "xdg-open", fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(bin_, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const fs::path out = dir_.path() / "out";
    fs::create_directories(out);
    fs::permissions(out, fs::perms::all);
    log_ = out / "open.log";
    ScopedEnv log("VS_OPEN_LOG", log_.string());
    ScopedEnv uid("SUDO_UID", "65534");
    ScopedEnv gid("SUDO_GID", "65534");
    ScopedEnv home("HOME", "/root");
    ShellRequest request;
    request.file = "https://example.com/";
    ASSERT_TRUE(ShellExecuteRequest(request));
    const auto lines = WaitForLog();
    EXPECT_EQ(Field(lines, "uid"), "65534");
    EXPECT_NE(Field(lines, "home"), "/root");
}

TEST_F(LinuxShellTest, SudoCallerRootOrNonsenseLeavesTheUserAsIs) {
    for (const char* value : {"0", "abc", ""}) {
        ScopedEnv uid("SUDO_UID", value);
        std::filesystem::remove(log_);
        ShellRequest request;
        request.file = "/tmp";
        ASSERT_TRUE(ShellExecuteRequest(request)) << value;
        const auto lines = WaitForLog();
        EXPECT_EQ(Field(lines, "uid"), std::to_string(::geteuid())) << value;
        std::ofstream(release_).put('x');
    }
}

TEST(LinuxShell, NoOpenerInPathFails) {
    vanto::testing::TempDir empty;
    ScopedEnv path("PATH", empty.str());
    ShellRequest request;
    request.file = "https://example.com/";
    EXPECT_FALSE(ShellExecuteRequest(request));
}

}  // namespace
}  // namespace vanto::platform
