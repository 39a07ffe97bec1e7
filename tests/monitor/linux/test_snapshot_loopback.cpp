// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// A real snapshot of this machine while the test holds a listener, both ends of a
// connection and a UDP endpoint of its own on 127.0.0.2, through each table source alone;
// IPv4 traffic on a dual-stack IPv6 socket, and a socket that is only bound.
#include "monitor/connection_snapshot.h"
#include "monitor/process_identity.h"

#include <arpa/inet.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>

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

// Each source alone: a netlink dump that fails must fail the test, not fall back quietly.
INSTANTIATE_TEST_SUITE_P(EachSource, SnapshotLoopback,
                         ::testing::Values(platform::NetTableReader::Source::Netlink,
                                           platform::NetTableReader::Source::TextTables),
                         [](const auto& info) {
                             return info.param == platform::NetTableReader::Source::Netlink ? "Netlink" : "ProcText";
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

TEST_P(SnapshotLoopback, DualStackListenerAndItsIpv4ConnectionAreIpv4Rows) {
    Sock listener(::socket(AF_INET6, SOCK_STREAM, 0));
    if (listener.fd < 0) GTEST_SKIP() << "no IPv6 sockets on this machine";
    int off = 0;
    ASSERT_EQ(::setsockopt(listener.fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off), 0);
    sockaddr_in6 any6{};
    any6.sin6_family = AF_INET6;
    any6.sin6_addr = in6addr_any;
    ASSERT_EQ(::bind(listener.fd, reinterpret_cast<sockaddr*>(&any6), sizeof any6), 0);
    ASSERT_EQ(::listen(listener.fd, 4), 0);
    sockaddr_in6 bound6{};
    socklen_t len = sizeof bound6;
    ::getsockname(listener.fd, reinterpret_cast<sockaddr*>(&bound6), &len);
    const std::uint16_t port = bound6.sin6_port;

    // An IPv4 client reaches it on 127.0.0.3; the accepted end is "::ffff:127.0.0.3".
    Sock client(::socket(AF_INET, SOCK_STREAM, 0));
    auto server = Addr("127.0.0.3", ntohs(port));
    ASSERT_EQ(::connect(client.fd, reinterpret_cast<const sockaddr*>(&server), sizeof server), 0);
    Sock accepted(::accept(listener.fd, nullptr, nullptr));
    ASSERT_GE(accepted.fd, 0);
    const sockaddr_in client_end = Bound(client.fd);

    // An IPv6-only listener is no IPv4 listener.
    Sock v6only(::socket(AF_INET6, SOCK_STREAM, 0));
    int on = 1;
    ASSERT_EQ(::setsockopt(v6only.fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on), 0);
    sockaddr_in6 any6b = any6;
    ASSERT_EQ(::bind(v6only.fd, reinterpret_cast<sockaddr*>(&any6b), sizeof any6b), 0);
    ASSERT_EQ(::listen(v6only.fd, 4), 0);
    sockaddr_in6 v6only_bound{};
    len = sizeof v6only_bound;
    ::getsockname(v6only.fd, reinterpret_cast<sockaddr*>(&v6only_bound), &len);
    // The text tables cannot tell it apart unless an IPv4 socket holds its port, as real
    // IPv6-only servers do beside their IPv4 listener.
    Sock v4_twin(::socket(AF_INET, SOCK_STREAM, 0));
    auto twin = Addr("0.0.0.0", ntohs(v6only_bound.sin6_port));
    ASSERT_EQ(::bind(v4_twin.fd, reinterpret_cast<sockaddr*>(&twin), sizeof twin), 0);
    ASSERT_EQ(::listen(v4_twin.fd, 4), 0);

    TConnectionArray snap;
    platform::NetTableReader reader(GetParam());
    ASSERT_TRUE(GetTcpConnections(snap, &reader));
    const auto me = static_cast<std::uint32_t>(::getpid());
    auto rows = [&](auto pred) { return std::count_if(snap.begin(), snap.end(), pred); };

    EXPECT_EQ(rows([&](const TConnection& c) {
                  return c.local_port == port && c.state == 2 && IpToStr(c.local_addr) == "0.0.0.0" &&
                         c.remote_addr == 0 && c.pid == me;
              }),
              1);
    // Server end: local 127.0.0.3:port, remote the client's end.
    EXPECT_EQ(rows([&](const TConnection& c) {
                  return c.local_port == port && IpToStr(c.local_addr) == "127.0.0.3" &&
                         c.remote_port == client_end.sin_port && c.remote_addr == client_end.sin_addr.s_addr &&
                         StateName(c.state) == "ESTABLISHED" && c.pid == me;
              }),
              1);
    EXPECT_EQ(rows([&](const TConnection& c) {
                  return c.local_port == client_end.sin_port && c.remote_port == port &&
                         StateName(c.state) == "ESTABLISHED" && c.pid == me;
              }),
              1);
    // Only the IPv4 twin shows for the IPv6-only listener's port.
    EXPECT_EQ(rows([&](const TConnection& c) { return c.local_port == v6only_bound.sin6_port; }), 1);
}

TEST_P(SnapshotLoopback, SocketThatIsOnlyBoundIsNotListed) {
    Sock bound(::socket(AF_INET, SOCK_STREAM, 0));
    auto a = Addr("127.0.0.2", 0);
    ASSERT_EQ(::bind(bound.fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const sockaddr_in at = Bound(bound.fd);
    TConnectionArray snap;
    platform::NetTableReader reader(GetParam());
    ASSERT_TRUE(GetTcpConnections(snap, &reader));
    EXPECT_FALSE(std::any_of(snap.begin(), snap.end(), [&](const TConnection& c) {
        return c.local_port == at.sin_port && c.local_addr == at.sin_addr.s_addr;
    }));
}

#if defined(__x86_64__)
// A kernel without sock_diag, as far as this process can tell: socket(AF_NETLINK, ...) fails.
bool RefuseNetlinkSockets() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_socket, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_NETLINK, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EAFNOSUPPORT),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog prog{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog) == 0;
}

TEST(SnapshotFallback, WithoutNetlinkTheTextTablesStandInAndNetlinkAloneFails) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Sock listener(::socket(AF_INET, SOCK_STREAM, 0));
        auto a = Addr("127.0.0.2", 0);
        if (::bind(listener.fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listener.fd, 1) != 0)
            ::_exit(10);
        const sockaddr_in at = Bound(listener.fd);
        if (!RefuseNetlinkSockets()) ::_exit(11);
        int result = 0;
        TConnectionArray snap;
        platform::NetTableReader netlink(platform::NetTableReader::Source::Netlink);
        if (GetTcpConnections(snap, &netlink)) result |= 1;  // must fail, not report an empty table
        platform::NetTableReader automatic(platform::NetTableReader::Source::Auto);
        if (!GetTcpConnections(snap, &automatic)) result |= 2;
        const auto me = static_cast<std::uint32_t>(::getpid());
        if (std::none_of(snap.begin(), snap.end(), [&](const TConnection& c) {
                return c.local_port == at.sin_port && c.state == 2 && c.pid == me;
            }))
            result |= 4;
        ::_exit(result);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 11) GTEST_SKIP() << "seccomp filters are not allowed here";
    EXPECT_EQ(WEXITSTATUS(status) & 1, 0) << "the netlink source reported success without netlink";
    EXPECT_EQ(WEXITSTATUS(status) & 2, 0) << "Auto did not fall back to the text tables";
    EXPECT_EQ(WEXITSTATUS(status) & 4, 0) << "the fallback did not find the listener with its owner";
    EXPECT_EQ(WEXITSTATUS(status) & ~7, 0);
}
#endif

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
