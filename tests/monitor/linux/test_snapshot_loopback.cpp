// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A real snapshot of this machine while the test holds a listener, both ends of a
// connection and a UDP endpoint of its own on 127.0.0.2.
#include "monitor/connection_snapshot.h"
#include "monitor/process_identity.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

using namespace vanto;

namespace {

struct Sock {
    int fd;
    explicit Sock(int f) : fd(f) {}
    ~Sock() {
        if (fd >= 0) ::close(fd);
    }
};

sockaddr_in Addr(const char* ip, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    ::inet_pton(AF_INET, ip, &a.sin_addr);
    return a;
}

sockaddr_in Bound(int fd) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return a;
}

}  // namespace

class SnapshotLoopback : public ::testing::TestWithParam<platform::NetTableReader::Source> {};

INSTANTIATE_TEST_SUITE_P(BothSources, SnapshotLoopback,
                         ::testing::Values(platform::NetTableReader::Source::Auto,
                                           platform::NetTableReader::Source::TextTables),
                         [](const auto& info) {
                             return info.param == platform::NetTableReader::Source::Auto ? "Netlink" : "ProcText";
                         });

TEST_P(SnapshotLoopback, FindsOwnListenerConnectionAndUdpEndpoint) {
    Sock listener(::socket(AF_INET, SOCK_STREAM, 0));
    auto any = Addr("127.0.0.2", 0);
    ASSERT_EQ(::bind(listener.fd, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
    ASSERT_EQ(::listen(listener.fd, 4), 0);
    const sockaddr_in server = Bound(listener.fd);

    Sock client(::socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_EQ(::connect(client.fd, reinterpret_cast<const sockaddr*>(&server), sizeof server), 0);
    Sock accepted(::accept(listener.fd, nullptr, nullptr));
    ASSERT_GE(accepted.fd, 0);
    const sockaddr_in client_end = Bound(client.fd);

    Sock udp(::socket(AF_INET, SOCK_DGRAM, 0));
    auto uany = Addr("127.0.0.2", 0);
    ASSERT_EQ(::bind(udp.fd, reinterpret_cast<sockaddr*>(&uany), sizeof uany), 0);
    const sockaddr_in udp_end = Bound(udp.fd);

    TConnectionArray snap;
    platform::NetTableReader reader(GetParam());
    ASSERT_TRUE(GetTcpConnections(snap, &reader));
    ASSERT_TRUE(GetUdpConnections(snap, &reader));
    const auto me = static_cast<std::uint32_t>(::getpid());

    auto find = [&](auto pred) { return std::find_if(snap.begin(), snap.end(), pred); };
    const auto listen_row = find([&](const TConnection& c) {
        return c.protocol == 0 && c.local_addr == server.sin_addr.s_addr && c.local_port == server.sin_port &&
               c.state == 2;
    });
    ASSERT_NE(listen_row, snap.end());
    EXPECT_EQ(StateName(listen_row->state), "LISTENING");
    EXPECT_EQ(IpToStr(listen_row->remote_addr), "0.0.0.0");
    EXPECT_EQ(SwapPort(listen_row->remote_port), 0u);
    EXPECT_EQ(listen_row->pid, me);
    EXPECT_EQ(IpToStr(listen_row->local_addr), "127.0.0.2");
    EXPECT_EQ(SwapPort(listen_row->local_port), ntohs(server.sin_port));

    const auto client_row = find([&](const TConnection& c) {
        return c.protocol == 0 && c.local_port == client_end.sin_port && c.remote_port == server.sin_port;
    });
    ASSERT_NE(client_row, snap.end());
    EXPECT_EQ(StateName(client_row->state), "ESTABLISHED");
    EXPECT_EQ(client_row->pid, me);
    EXPECT_EQ(IpToStr(client_row->remote_addr), "127.0.0.2");

    const auto server_row = find([&](const TConnection& c) {
        return c.protocol == 0 && c.local_port == server.sin_port && c.remote_port == client_end.sin_port;
    });
    ASSERT_NE(server_row, snap.end());
    EXPECT_EQ(StateName(server_row->state), "ESTABLISHED");
    EXPECT_EQ(server_row->pid, me);

    const auto udp_row = find([&](const TConnection& c) {
        return c.protocol == 1 && c.local_addr == udp_end.sin_addr.s_addr && c.local_port == udp_end.sin_port;
    });
    ASSERT_NE(udp_row, snap.end());
    EXPECT_EQ(udp_row->state, 0u);
    EXPECT_EQ(StateName(udp_row->state), "");
    EXPECT_EQ(IpToStr(udp_row->remote_addr), "0.0.0.0");
    EXPECT_EQ(udp_row->remote_port, 0u);
    EXPECT_EQ(udp_row->pid, me);

    // Every TCP row precedes every UDP row.
    const auto first_udp = find([](const TConnection& c) { return c.protocol == 1; });
    EXPECT_TRUE(std::all_of(first_udp, snap.end(), [](const TConnection& c) { return c.protocol == 1; }));
    EXPECT_TRUE(std::all_of(snap.begin(), first_udp, [](const TConnection& c) { return c.protocol == 0; }));
}

// A kernel thread has no executable, even for root: its list name stands in.
TEST(ProcessIdentity, KernelThreadGivesItsBareName) {
    std::ifstream comm_file("/proc/2/comm");
    std::ifstream cmdline("/proc/2/cmdline");
    std::string comm;
    std::getline(comm_file, comm);
    // PID 2 is kthreadd in the machine's own PID namespace; a container may lack it.
    if (comm.empty() || !cmdline || cmdline.peek() != std::ifstream::traits_type::eof())
        GTEST_SKIP() << "PID 2 is no kernel thread here";
    EXPECT_EQ(GetProcessPath(2), comm);
    EXPECT_EQ(comm.find('/'), std::string::npos);
}

TEST(ProcessIdentity, OwnPathUnknownPidAndPidZero) {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    EXPECT_EQ(GetProcessPath(static_cast<std::uint32_t>(::getpid())), std::string(self, static_cast<std::size_t>(n)));
    // An id no process can have (above the kernel's pid_max limit of 2^22).
    EXPECT_EQ(GetProcessPath(0x7FFFFFF0u), "?");
    EXPECT_EQ(FindProcessExeName(0x7FFFFFF0u), "?");
    EXPECT_EQ(GetProcessPath(0), "?");
    // The test program's name is longer than the 15 bytes of comm: the list name is whole anyway.
    const std::string path(self, static_cast<std::size_t>(n));
    EXPECT_EQ(FindProcessExeName(static_cast<std::uint32_t>(::getpid())), path.substr(path.rfind('/') + 1));
}
