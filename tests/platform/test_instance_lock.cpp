// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The single-instance lock: one holder at a time, released with its holder, and never stopped
// by what a crashed copy or anyone else left at its path.
#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "testsupport/test_support.h"

using vanto::platform::InstanceLock;
using vanto::testing::TempDir;
namespace fs = std::filesystem;

namespace {

TEST(InstanceLock, OneHolderAtATimeAndFreeAgainWhenReleased) {
    TempDir dir;
    const fs::path path = dir.path() / "app.lock";
    InstanceLock first;
    ASSERT_EQ(first.TryLock(path), InstanceLock::State::Held);
    EXPECT_TRUE(first.IsHeld());
    {
        InstanceLock second;
        EXPECT_EQ(second.TryLock(path), InstanceLock::State::Taken);
        EXPECT_FALSE(second.IsHeld());
    }
    EXPECT_TRUE(first.IsHeld()) << "a failed attempt elsewhere leaves the holder alone";
    first.Unlock();
    InstanceLock third;
    EXPECT_EQ(third.TryLock(path), InstanceLock::State::Held);
    // Destroying the holder releases it too.
    { InstanceLock gone; }
}

TEST(InstanceLock, WhatACrashOrAnotherProgramLeftIsNoLock) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> make;
    };
    const Case cases[] = {
        {"an empty file", [](const fs::path& p) { std::ofstream(p).flush(); }},
        {"random bytes", [](const fs::path& p) { std::ofstream(p, std::ios::binary) << std::string("\x07\xff\x00pid?", 7); }},
        {"an old lock text", [](const fs::path& p) { std::ofstream(p) << "99999\nvantoscope\nhost\n"; }},
        {"an empty folder", [](const fs::path& p) { fs::create_directory(p); }},
        {"a read-only file", [](const fs::path& p) {
             std::ofstream(p) << "x";
             fs::permissions(p, fs::perms::owner_read, fs::perm_options::replace);
         }},
#ifndef _WIN32
        {"an unreadable file", [](const fs::path& p) {
             std::ofstream(p) << "x";
             ::chmod(p.c_str(), 0);
         }},
        {"a dangling link", [](const fs::path& p) { fs::create_symlink(p.parent_path() / "nowhere", p); }},
#endif
    };
    for (const Case& c : cases) {
        TempDir dir;
        const fs::path path = dir.path() / "app.lock";
        c.make(path);
        InstanceLock lock;
        EXPECT_EQ(lock.TryLock(path), InstanceLock::State::Held) << c.what;
        InstanceLock other;
        EXPECT_EQ(other.TryLock(path), InstanceLock::State::Taken) << c.what << ": and it really locks";
    }
}

#ifndef _WIN32
TEST(InstanceLock, ALinkIsReplacedNeverFollowed) {
    TempDir dir;
    const fs::path target = dir.write("precious", "keep me");
    const fs::path path = dir.path() / "app.lock";
    fs::create_symlink(target, path);
    InstanceLock lock;
    ASSERT_EQ(lock.TryLock(path), InstanceLock::State::Held);
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(vanto::testing::readFile(target), "keep me");
}

TEST(InstanceLock, AFolderWithContentsIsLeftAndReportedUnusable) {
    TempDir dir;
    const fs::path path = dir.path() / "app.lock";
    dir.write("app.lock/inside", "x");
    InstanceLock lock;
    EXPECT_EQ(lock.TryLock(path), InstanceLock::State::Unusable);
    EXPECT_TRUE(fs::exists(path / "inside"));
}

TEST(InstanceLock, TheSystemReleasesTheLockOfAKilledHolder) {
    TempDir dir;
    const fs::path path = dir.path() / "app.lock";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock held;
        const char byte = held.TryLock(path) == InstanceLock::State::Held ? 'y' : 'n';
        [[maybe_unused]] const ssize_t n = ::write(ready[1], &byte, 1);
        ::pause();
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');
    InstanceLock mine;
    EXPECT_EQ(mine.TryLock(path), InstanceLock::State::Taken);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_TRUE(fs::exists(path)) << "the killed holder left its file";
    EXPECT_EQ(mine.TryLock(path), InstanceLock::State::Held);
}
#endif

}  // namespace
