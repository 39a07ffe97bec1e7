// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// End Process on child processes of the test: a polite end, one that ignores it and is
// ended by force, a pid whose process changed, and the pids that are never ended.
#include "monitor/connection_actions.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace vanto;

namespace {

// A child that sleeps until it is ended; with `stubborn` it ignores SIGTERM.
pid_t Child(bool stubborn) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (stubborn) ::signal(SIGTERM, SIG_IGN);
        ::close(ready[0]);
        (void)!::write(ready[1], "r", 1);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char c;
    (void)!::read(ready[0], &c, 1);
    ::close(ready[0]);
    return pid;
}

int WaitSignal(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

}  // namespace

TEST(EndProcess, AsksAChildToEndAndItDoes) {
    const pid_t pid = Child(false);
    ASSERT_GT(pid, 0);
    const TProcessTarget target{static_cast<std::uint32_t>(pid), platform::ProcessStartTime(static_cast<std::uint32_t>(pid))};
    ASSERT_NE(target.start, 0u);
    EXPECT_TRUE(TargetRunning(target));
    const TActionResult r = EndProcessNow(target, false);
    EXPECT_TRUE(r.done) << r.message;
    EXPECT_EQ(r.message, "Asked the process with PID " + std::to_string(pid) + " to end.");
    EXPECT_EQ(WaitSignal(pid), SIGTERM);
    EXPECT_FALSE(TargetRunning(target));
    // Asked again once it is gone: said so, nothing sent to whoever has the pid now.
    const TActionResult again = EndProcessNow(target, false);
    EXPECT_FALSE(again.done);
    EXPECT_NE(again.message.find("has already ended"), std::string::npos) << again.message;
}

TEST(EndProcess, AChildThatIgnoresItIsStillRunningAndIsEndedByForce) {
    const pid_t pid = Child(true);
    ASSERT_GT(pid, 0);
    const TProcessTarget target{static_cast<std::uint32_t>(pid), platform::ProcessStartTime(static_cast<std::uint32_t>(pid))};
    ASSERT_TRUE(EndProcessNow(target, false).done);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(TargetRunning(target));
    EXPECT_NE(EndProcessForceQuestion(target.pid).find(std::to_string(pid)), std::string::npos);
    const TActionResult r = EndProcessNow(target, true);
    EXPECT_TRUE(r.done) << r.message;
    EXPECT_EQ(WaitSignal(pid), SIGKILL);
}

TEST(EndProcess, AnotherProcessUnderThePidIsNotTouched) {
    const pid_t pid = Child(false);
    ASSERT_GT(pid, 0);
    // The start time the user confirmed is not the one this pid has now: a reused pid.
    const TProcessTarget stale{static_cast<std::uint32_t>(pid),
                               platform::ProcessStartTime(static_cast<std::uint32_t>(pid)) + 1};
    const TActionResult r = EndProcessNow(stale, true);
    EXPECT_FALSE(r.done);
    EXPECT_NE(r.message.find("now belongs to another process"), std::string::npos) << r.message;
    EXPECT_TRUE(TargetRunning({static_cast<std::uint32_t>(pid), stale.start - 1}));
    ::kill(pid, SIGKILL);
    WaitSignal(pid);
}

TEST(EndProcess, SystemPidsAndTheProgramItselfAreRefused) {
    for (const std::uint32_t pid : {0u, 1u, 4u, static_cast<std::uint32_t>(::getpid()), platform::kUnknownOwnerPid}) {
        ASSERT_TRUE(EndProcessRefusal(pid).has_value()) << pid;
        const TActionResult r = EndProcessNow({pid, platform::ProcessStartTime(pid)}, true);
        EXPECT_FALSE(r.done) << pid;
        EXPECT_EQ(r.message, *EndProcessRefusal(pid));
    }
    EXPECT_FALSE(EndProcessRefusal(2).has_value());
}

TEST(EndProcess, AnotherUsersProcessGetsTheSystemsRefusal) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to start a process as another user";
    const pid_t victim = Child(false);
    ASSERT_GT(victim, 0);
    const TProcessTarget target{static_cast<std::uint32_t>(victim),
                                platform::ProcessStartTime(static_cast<std::uint32_t>(victim))};
    const pid_t asker = ::fork();
    if (asker == 0) {
        // As nobody, the root-owned child is not ours to signal.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
        const TActionResult r = EndProcessNow(target, false);
        ::_exit(!r.done && r.message.find("belongs to another user") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ::waitpid(asker, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(TargetRunning(target));
    ::kill(victim, SIGKILL);
    WaitSignal(victim);
}
