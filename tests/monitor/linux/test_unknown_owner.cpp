// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A socket held by a process we may not look into: its row is not taken for one of the
// system's own, and its process text says that the owner is unknown.
#include "monitor/connection_filters.h"
#include "monitor/connection_snapshot.h"
#include "monitor/process_identity.h"
#include "platform/process.h"
#include "testsupport/test_support.h"

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
    // The looker is never privileged here, so the row says rights are missing.
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

// The notice says what would help: with the rights nothing would, so it says why instead; the
// README is named only where it is installed.
TEST(UnknownOwner, NoticeFitsTheRightsAndNamesOnlyAShippedReadme) {
    const std::string with_rights = UnknownOwnerNotice(true, "/usr/share/doc/vantoscope/README.md.gz");
    // The row says the same as the notice: no rights are missing where the program has them.
    EXPECT_STREQ(UnknownOwnerText(true), "Unknown owner (no process this system shows)");
    EXPECT_STREQ(UnknownOwnerText(false), "Unknown owner (no rights to look it up)");
    EXPECT_NE(with_rights.find("no process this system lets the program see"), std::string::npos);
    EXPECT_EQ(with_rights.find("cap_"), std::string::npos) << "no capability to give";
    EXPECT_EQ(with_rights.find("README"), std::string::npos);

    const std::string shipped = UnknownOwnerNotice(false, "/usr/share/doc/vantoscope/README.md.gz");
    EXPECT_NE(shipped.find("cap_dac_read_search and cap_sys_ptrace"), std::string::npos);
    EXPECT_NE(shipped.find("\"Seeing every owner on Linux\" of /usr/share/doc/vantoscope/README.md.gz"),
              std::string::npos);
    const std::string bare = UnknownOwnerNotice(false, "");
    EXPECT_EQ(bare.find("README"), std::string::npos);
    EXPECT_NE(bare.find("with setcap."), std::string::npos);

    vanto::testing::TempDir dir;
    dir.write("usr/bin/vantoscope", "x");
    const std::string readme = dir.write("usr/share/doc/vantoscope/README.md.gz", "x").string();
    EXPECT_EQ(ShippedReadme((dir.path() / "usr" / "bin" / "vantoscope").string()), readme);
    dir.write("build/vantoscope", "x");
    EXPECT_EQ(ShippedReadme((dir.path() / "build" / "vantoscope").string()), "") << "not in a bin folder";
    EXPECT_EQ(ShippedReadme((dir.path() / "opt" / "bin" / "vantoscope").string()), "") << "no README there";
    EXPECT_EQ(ShippedReadme("vantoscope"), "");
}

TEST(UnknownOwner, RightsAreBothCapabilitiesInTheEffectiveSet) {
    struct Case {
        const char* status;
        bool allowed;
    } cases[] = {
        {"Name:\tx\nCapInh:\t0000000000000000\nCapPrm:\t000001ffffffffff\nCapEff:\t000001ffffffffff\n", true},  // root
        {"Name:\tx\nCapEff:\t0000000000080004\n", true},                              // exactly the two
        {"Name:\tx\nCapEff:\t0000000000000004\n", false},                             // dac_read_search alone
        {"Name:\tx\nCapEff:\t0000000000080000\n", false},                             // sys_ptrace alone
        {"Name:\tx\nCapPrm:\t0000000000080004\nCapEff:\t0000000000000000\n", false},  // permitted, not effective
        {"Name:\tx\nCapEff:\tzz\n", false},
        {"Name:\tx\n", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::StatusAllowsLookingIntoEveryProcess(c.status), c.allowed) << c.status;
    // This process: as the kernel says.
    EXPECT_EQ(platform::MayLookIntoEveryProcess(),
              platform::StatusAllowsLookingIntoEveryProcess(vanto::testing::readFile("/proc/self/status")));
}
