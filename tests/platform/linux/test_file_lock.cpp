// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The lock file of the settings store: a holder may remove it with the store it guards, so a
// program waiting for it must end up holding the file that has the name, never the removed one.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "platform/linux/posix_file_io.h"
#include "testsupport/test_support.h"

using vanto::platform::posix_io::ExclusiveLock;
using vanto::testing::TempDir;

TEST(FileLock, AWaiterWhoseFileLostItsNameLocksTheNewOne) {
    TempDir dir;
    const std::string path = (dir.path() / "registry.reg.lock").string();
    auto first = std::make_unique<ExclusiveLock>();
    ASSERT_TRUE(first->LockFile(path, 0));

    ExclusiveLock waiter;
    std::atomic<bool> got{false};
    std::thread t([&] { got = waiter.LockFile(path, 5000); });
    // Let the waiter open the file and block on it, then remove the name and let go.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(::unlink(path.c_str()), 0);
    first.reset();
    t.join();
    ASSERT_TRUE(got);

    // Whoever comes next opens the file of that name: the waiter must be holding it.
    ExclusiveLock third;
    EXPECT_FALSE(third.LockFile(path, 200)) << "two holders of one lock";
}
