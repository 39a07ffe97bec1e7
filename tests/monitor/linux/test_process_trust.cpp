// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A process path is believed only when it names the file the process runs: not when a
// process in its own mount namespace runs another file under a host path, nor when the
// file at the path was replaced after the start.
#include "monitor/process_identity.h"
#include "platform/process.h"

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "testsupport/test_support.h"

using namespace vanto;
namespace fs = std::filesystem;

namespace {

// A copy of sleep(1) at `to`, executable by anyone.
void CopySleep(const fs::path& to) {
    fs::copy_file("/bin/sleep", to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
}

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Waits (boundedly) until the process runs the file with `inode`.
bool WaitUntilRunning(pid_t pid, ino_t inode) {
    const std::string exe = "/proc/" + std::to_string(pid) + "/exe";
    for (int i = 0; i < 500; ++i) {
        if (InodeOf(exe) == inode) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

struct Child {
    pid_t pid = -1;
    ~Child() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
};

}  // namespace

TEST(ProcessTrust, BindMountedProgramInItsOwnNamespaceIsNotNamedAfterTheHostFile) {
    vanto::testing::TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const fs::path host = dir.path() / "hostprog";
    const fs::path fake = dir.path() / "fakeprog";
    CopySleep(host);
    CopySleep(fake);

    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    Child child;
    child.pid = ::fork();
    ASSERT_GE(child.pid, 0);
    if (child.pid == 0) {
        ::close(report[0]);
        // A private mount namespace: as root directly, else inside a user namespace of our own.
        const bool ns = (::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0) || ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0;
        const bool mounted = ns && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                             ::mount(fake.c_str(), host.c_str(), nullptr, MS_BIND, nullptr) == 0;
        const char verdict = mounted ? 'R' : 'S';
        (void)!::write(report[1], &verdict, 1);
        ::close(report[1]);
        if (!mounted) ::_exit(0);
        ::execl(host.c_str(), "hostprog", "60", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(report[1]);
    char verdict = 0;
    (void)!::read(report[0], &verdict, 1);
    ::close(report[0]);
    if (verdict != 'R') GTEST_SKIP() << "this machine allows no private mount namespace (unshare or mount refused)";
    ASSERT_TRUE(WaitUntilRunning(child.pid, InodeOf(fake.string())));

    const auto pid = static_cast<std::uint32_t>(child.pid);
    std::string path;
    EXPECT_FALSE(platform::GetProcessImagePath(pid, path));
    // Named from its own process name: no path, hence no icon of the host file and no folder.
    EXPECT_EQ(GetProcessPath(pid), "hostprog");
}

TEST(ProcessTrust, ProgramReplacedAfterItsStartIsNamedFromItsProcessName) {
    vanto::testing::TempDir dir;
    const fs::path prog = dir.path() / "replacedprog";
    CopySleep(prog);
    Child child;
    child.pid = ::fork();
    ASSERT_GE(child.pid, 0);
    if (child.pid == 0) {
        ::execl(prog.c_str(), "replacedprog", "60", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_TRUE(WaitUntilRunning(child.pid, InodeOf(prog.string())));
    const auto pid = static_cast<std::uint32_t>(child.pid);
    EXPECT_EQ(GetProcessPath(pid), prog.string());  // the file it runs: believed

    // Another file now has the name (an update, or someone planting one).
    const fs::path other = dir.path() / "other";
    CopySleep(other);
    fs::rename(other, prog);
    std::string path;
    EXPECT_FALSE(platform::GetProcessImagePath(pid, path));
    EXPECT_EQ(GetProcessPath(pid), "replacedprog");
}
