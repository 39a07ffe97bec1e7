// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The folder clean-up against what only Linux lets a test build: a bind mount inside the
// folder (same device, another mount) and a folder swapped for a link while it runs.
#include "platform/safe_files.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "testsupport/test_support.h"

namespace fs = std::filesystem;
using namespace vanto::platform;
using vanto::testing::readFile;
using vanto::testing::TempDir;

namespace {

// Runs `body` in a child with a mount namespace of its own (as root, or in a user namespace
// of its own); its exit code: 0 passed, 1 failed, 77 no namespace to be had here.
int InMountNamespace(const std::function<bool()>& body) {
    const pid_t child = ::fork();
    if (child < 0) return 77;
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) ::_exit(77);
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) ::_exit(77);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

TEST(SafeFilesLinux, ABindMountInsideTheFolderIsNeitherEnteredNorEmptied) {
    TempDir dir;
    dir.write("other/precious.txt", "keep");
    dir.write("data/x.txt", "x");
    fs::create_directories(dir.path() / "data" / "mounted");
    const int result = InMountNamespace([&] {
        // The same file system mounted again: the device is the same, only the mount differs.
        if (::mount((dir.path() / "other").c_str(), (dir.path() / "data" / "mounted").c_str(), nullptr, MS_BIND,
                    nullptr) != 0)
            ::_exit(77);
        DeleteFolderTree((dir.path() / "data").string(), "*.*", nullptr);
        return readFile(dir.path() / "other" / "precious.txt") == "keep" &&
               !fs::exists(dir.path() / "data" / "x.txt");
    });
    if (result == 77) GTEST_SKIP() << "no mount namespace can be made here (needs root or user namespaces)";
    EXPECT_EQ(result, 0) << "the bind-mounted folder's contents must stay";
    EXPECT_EQ(readFile(dir.path() / "other" / "precious.txt"), "keep");
}

// The clean-up asks about each folder just before it enters it; the test swaps that folder
// for a link to a decoy at that very moment, as a racing attacker would.
TEST(SafeFilesLinux, AFolderSwappedForALinkDuringTheCleanUpIsNotFollowed) {
    TempDir dir;
    dir.write("decoy/precious.txt", "keep");
    dir.write("data/sub/a.txt", "a");
    dir.write("data/b.txt", "b");
    const fs::path sub = dir.path() / "data" / "sub";
    bool swapped = false;
    DeleteFolderTree((dir.path() / "data").string(), "*.*", [&](const std::string& folder) {
        if (fs::path(folder) == sub && !swapped) {
            fs::rename(sub, dir.path() / "moved-away");
            fs::create_directory_symlink(dir.path() / "decoy", sub);
            swapped = true;
        }
        return false;
    });
    ASSERT_TRUE(swapped);
    EXPECT_EQ(readFile(dir.path() / "decoy" / "precious.txt"), "keep");
    EXPECT_TRUE(fs::is_symlink(sub)) << "the link appeared after its folder was listed: left for the next run";
}

}  // namespace
