// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A socket held by a process we may not look into: its row is not taken for one of the
// system's own, and its process text says that the owner is unknown.
#include "monitor/connection_filters.h"
#include "monitor/connection_snapshot.h"
#include "monitor/process_identity.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <grp.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

using namespace vanto;

namespace {

constexpr uid_t kNobody = 65534;
constexpr uid_t kOtherUser = 65533;

bool DropTo(uid_t uid) { return ::setgroups(0, nullptr) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0; }

struct Row {
    bool found = false;
    std::uint32_t pid = 0;
    char text[128] = {};
};

Row Lookup(std::uint16_t port) {
    Row r;
    TConnectionArray snap;
    platform::NetTableReader reader(platform::NetTableReader::Source::Netlink);
    if (!GetTcpConnections(snap, &reader)) return r;
    const auto it = std::find_if(snap.begin(), snap.end(), [&](const TConnection& c) {
        return c.local_port == port && c.state == 2;
    });
    if (it == snap.end()) return r;
    r.found = true;
    r.pid = it->pid;
    std::strncpy(r.text, GetProcessPath(it->pid).c_str(), sizeof r.text - 1);
    return r;
}

}  // namespace

TEST(UnknownOwner, OtherUsersListenerIsShownWithTheUnknownOwnerText) {
    const bool root = ::geteuid() == 0;
    int ready[2], hold[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(hold), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        ::close(hold[1]);
        ::close(ready[0]);
        // As root the holder becomes nobody; as anyone it makes itself undumpable, which
        // closes its /proc/<pid>/fd to processes of the same user without CAP_SYS_PTRACE.
        if (root && !DropTo(kNobody)) ::_exit(1);
        ::prctl(PR_SET_DUMPABLE, 0);
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        ::inet_pton(AF_INET, "127.0.0.4", &a.sin_addr);
        if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 1) != 0) ::_exit(1);
        socklen_t len = sizeof a;
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
        (void)!::write(ready[1], &a.sin_port, sizeof a.sin_port);
        char c;
        (void)!::read(hold[0], &c, 1);  // until the test is done
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(hold[0]);
    std::uint16_t port = 0;
    const bool started = ::read(ready[0], &port, sizeof port) == sizeof port;

    Row row;
    if (started && root) {
        // Root may look into everything: the snapshot is taken by a third user.
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        const pid_t reader = ::fork();
        ASSERT_GE(reader, 0);
        if (reader == 0) {
            ::close(out[0]);
            Row r;
            if (DropTo(kOtherUser)) r = Lookup(port);
            (void)!::write(out[1], &r, sizeof r);
            ::_exit(0);
        }
        ::close(out[1]);
        if (::read(out[0], &row, sizeof row) != sizeof row) row = {};
        ::close(out[0]);
        ::waitpid(reader, nullptr, 0);
    } else if (started) {
        row = Lookup(port);
    }
    ::close(hold[1]);
    ::waitpid(holder, nullptr, 0);
    ::close(ready[0]);
    ASSERT_TRUE(started);

    ASSERT_TRUE(row.found);
    EXPECT_EQ(row.pid, platform::kUnknownOwnerPid);
    EXPECT_EQ(std::string(row.text), kUnknownOwnerText);
    TConnection c{kProtocolTcp, 2, 0, port, 0, 0, row.pid};
    EXPECT_FALSE(IsSystemProcess(c));
    EXPECT_TRUE(IsShown(c, false, true));  // a listener is a local row: only the system filter matters here
    EXPECT_EQ(PidToStr(row.pid), "?");
    TConnectionArray snap{c};
    EXPECT_TRUE(HasUnknownOwners(snap));
}

TEST(UnknownOwner, OwnSocketsAndSystemRowsAreNotUnknown) {
    TConnectionArray snap{{kProtocolTcp, 2, 0, 1, 0, 0, 0}, {kProtocolUdp, 0, 0, 2, 0, 0, 4}};
    EXPECT_FALSE(HasUnknownOwners(snap));
    EXPECT_EQ(PidToStr(4), "4");
    EXPECT_EQ(PidToStr(0), "0");
}
